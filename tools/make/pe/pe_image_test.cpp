#include "tools/make/pe/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tools/make/pe/pe_resource_writer.h"
#include "tools/make/pe/pe_test_image.h"
#include "tools/make/pe/string_table.h"

namespace {

ResourceTree SampleResources() {
  ResourceTree tree;
  EXPECT_TRUE(SetStringEntry(&tree, 1040, u"j2re\\bin\\jvm.dll"));
  EXPECT_TRUE(SetStringEntry(&tree, 1168, u"3D460C79"));
  tree[ResourceKey(u"CUSTOM")][ResourceKey(u"DATA")][1033] = ResourceData{"abc", 1252};
  tree[ResourceKey(u"CUSTOM")][ResourceKey(7)][0] = ResourceData{std::string("\0\1\2", 3), 0};
  tree[ResourceKey(ResourceTypeBitmap)][ResourceKey(8000)][0] =
      ResourceData{std::string(61, 'x'), 0};
  tree[ResourceKey(ResourceTypeBitmap)][ResourceKey(8000)][1031] = ResourceData{"de", 0};
  return tree;
}

// The resources replace the old ones where a linker put them, the relocations behind
// them moving along; where a section that code addresses follows, they go into a new
// section and the old one is cleared. Either way the sample's texts are gone.
TEST(PeRoundTrip, ResourcesComeBackAsWrittenAndTheImageStaysConsistent) {
  constexpr std::uint32_t Discardable = 0x42000040;
  constexpr std::uint32_t Addressed = 0x40000040;
  const struct {
    bool Pe32Plus;
    std::uint32_t Following;
    bool InPlace;
  } layouts[] = {{false, 0, true},
                 {true, 0, true},
                 {false, Discardable, true},
                 {true, Discardable, true},
                 {false, Addressed, false}};
  for (const auto& layout : layouts) {
    SCOPED_TRACE(testing::Message() << layout.Pe32Plus << " " << layout.Following);
    TestImageOptions options;
    options.Pe32Plus = layout.Pe32Plus;
    options.Following = layout.Following;
    ResourceTree sample = SampleResources();
    ASSERT_TRUE(SetStringEntry(&sample, 1072, u"Quillmark.jar;jh.jar"));
    const std::string original = MakeTestImage(sample, options);
    PeImage image;
    std::string error;
    ASSERT_TRUE(ReadPeImage(original, &image, &error)) << error;
    EXPECT_EQ(image.Pe32Plus, layout.Pe32Plus);
    EXPECT_EQ(image.Machine, layout.Pe32Plus ? MachineAmd64 : MachineI386);
    EXPECT_TRUE(image.Resources == sample);

    ResourceTree changed = image.Resources;
    ASSERT_TRUE(SetStringEntry(&changed, 1072, u"app.jar"));
    changed[ResourceKey(ResourceTypeVersion)][ResourceKey(1)][1033] =
        ResourceData{std::string(0x1400, 'v'), 0};  // the section grows by a page
    std::string written;
    ASSERT_TRUE(WritePeImage(image, changed, &written, &error)) << error;

    PeImage back;
    ASSERT_TRUE(ReadPeImage(written, &back, &error)) << error;
    EXPECT_TRUE(back.Resources == changed);
    const std::string old(reinterpret_cast<const char*>(u"Quillmark.jar"), 26);
    EXPECT_EQ(written.find(old), std::string::npos);
    ASSERT_EQ(back.Sections.size(), image.Sections.size() + (layout.InPlace ? 0 : 1));
    std::uint32_t virtualEnd = 0x1000;  // the headers
    std::uint32_t rawEnd = 0;
    for (const PeSection& section : back.Sections) {
      EXPECT_EQ(section.VirtualAddress, (virtualEnd + 0xFFF) / 0x1000 * 0x1000);
      EXPECT_EQ(section.RawOffset % 0x200, 0u);
      virtualEnd = section.VirtualAddress + section.VirtualSize;
      rawEnd = std::max(rawEnd, section.RawOffset + section.RawSize);
    }
    EXPECT_EQ(rawEnd, written.size());
    const PeSection& resources = back.Sections[layout.InPlace ? 1 : back.Sections.size() - 1];
    EXPECT_EQ(std::string(resources.Name, 5), ".rsrc");
    const std::size_t optional = back.OptionalHeaderOffset;
    const std::size_t directories = optional + (layout.Pe32Plus ? 112 : 96);
    EXPECT_EQ(ReadLe(written, directories + 16, 4), resources.VirtualAddress);
    EXPECT_EQ(ReadLe(written, optional + 56, 4), (virtualEnd + 0xFFF) / 0x1000 * 0x1000);
    EXPECT_EQ(ReadLe(written, optional + 8, 4),
              ReadLe(original, optional + 8, 4) - (layout.InPlace ? image.Sections[1].RawSize : 0) +
                  resources.RawSize);
    std::string zeroed = written;
    WriteLe(&zeroed, optional + 64, 0, 4);
    EXPECT_EQ(ReadLe(written, optional + 64, 4), PeChecksum(zeroed, optional + 64));
    // The code keeps its bytes; the relocations keep theirs wherever they are.
    EXPECT_EQ(written.substr(0x200, 0x200), original.substr(0x200, 0x200));
    if (layout.Following) {
      const PeSection& relocations = back.Sections[2];
      EXPECT_EQ(ReadLe(written, directories + 40, 4), relocations.VirtualAddress);
      EXPECT_EQ(written.substr(relocations.RawOffset, 16), "relocation bytes");
    }
  }
}

TEST(PeResourceWriter, RefusesImagesItWouldBreak) {
  PeImage image;
  std::string error;
  std::string written;

  TestImageOptions signedImage;
  signedImage.CertificateSize = 0x100;
  ASSERT_TRUE(ReadPeImage(MakeTestImage(SampleResources(), signedImage), &image, &error));
  EXPECT_FALSE(WritePeImage(image, image.Resources, &written, &error));
  EXPECT_NE(error.find("signed"), std::string::npos) << error;

  TestImageOptions overlay;
  overlay.Tail = "appended archive";
  ASSERT_TRUE(ReadPeImage(MakeTestImage(SampleResources(), overlay), &image, &error));
  EXPECT_FALSE(WritePeImage(image, image.Resources, &written, &error));
  EXPECT_NE(error.find("behind its last section"), std::string::npos) << error;

  TestImageOptions followed;  // the resources cannot grow where they are
  followed.Following = 0x40000040;
  std::string crowded = MakeTestImage(SampleResources(), followed);
  crowded[0x40 + 24 + 224 + 3 * 40 + 3] = 'x';  // something lives where a header would go
  ASSERT_TRUE(ReadPeImage(crowded, &image, &error));
  EXPECT_FALSE(WritePeImage(image, image.Resources, &written, &error));
  EXPECT_NE(error.find("no room"), std::string::npos) << error;
}

TEST(PeResourceWriter, KeepsTheSymbolTableBehindTheSections) {
  TestImageOptions options;
  options.Tail = std::string(18, 's') + "\4\0\0\0";
  options.TailIsSymbolTable = true;
  const std::string original = MakeTestImage(SampleResources(), options);
  PeImage image;
  std::string error;
  std::string written;
  ASSERT_TRUE(ReadPeImage(original, &image, &error)) << error;
  ASSERT_TRUE(WritePeImage(image, image.Resources, &written, &error)) << error;
  EXPECT_EQ(written.substr(image.SymbolTableOffset, options.Tail.size()), options.Tail);
  PeImage back;
  ASSERT_TRUE(ReadPeImage(written, &back, &error)) << error;
  EXPECT_TRUE(back.Resources == image.Resources);
}

TEST(PeImageReader, RefusesEveryTruncationOfAnImage) {
  const std::string whole = MakeTestImage(SampleResources());
  PeImage image;
  for (std::size_t size = 0; size < whole.size(); ++size) {
    std::string error;
    EXPECT_FALSE(ReadPeImage(whole.substr(0, size), &image, &error)) << size;
    EXPECT_FALSE(error.empty()) << size;
  }
}

TEST(PeImageReader, RefusesDamagedResourceDirectories) {
  std::string error;
  PeImage image;
  std::string looped = MakeTestImage(SampleResources());
  // The first type entry's subdirectory points back at the root.
  WriteLe(&looped, 0x400 + 16 + 4, 0x80000000u, 4);
  EXPECT_FALSE(ReadPeImage(looped, &image, &error));
  EXPECT_NE(error.find("listed twice"), std::string::npos) << error;

  std::string farAway = MakeTestImage(SampleResources());
  WriteLe(&farAway, 0x400 + 16 + 4, 0x80FFFFF0u, 4);
  EXPECT_FALSE(ReadPeImage(farAway, &image, &error));

  // Resource data in a section that has no bytes in the file.
  std::string noData = MakeTestImage(SampleResources());
  WriteLe(&noData, 0x58 + 224 + 40 + 16, 0, 4);
  EXPECT_FALSE(ReadPeImage(noData, &image, &error));

  std::string notPe = MakeTestImage(SampleResources());
  notPe[0x41] = 'X';
  EXPECT_FALSE(ReadPeImage(notPe, &image, &error));
  EXPECT_NE(error.find("PE header"), std::string::npos) << error;
}

TEST(SerializeResourceTree, ListsNamesBeforeNumbersInOrder) {
  ResourceTree tree;
  tree[ResourceKey(5)][ResourceKey(1)][0] = ResourceData{"a", 0};
  tree[ResourceKey(u"ZED")][ResourceKey(1)][0] = ResourceData{"b", 0};
  tree[ResourceKey(u"ABC")][ResourceKey(1)][0] = ResourceData{"c", 0};
  tree[ResourceKey(3)][ResourceKey(1)][0] = ResourceData{"d", 0};
  const std::string bytes = SerializeResourceTree(tree, 0x5000);
  EXPECT_EQ(ReadLe(bytes, 12, 2), 2u);  // named entries
  EXPECT_EQ(ReadLe(bytes, 14, 2), 2u);  // numbered entries
  auto nameAt = [&](int entry) {
    const std::uint32_t field = ReadLe(bytes, 16 + 8 * entry, 4) & 0x7FFFFFFFu;
    return std::u16string{static_cast<char16_t>(ReadLe(bytes, field + 2, 2))};
  };
  EXPECT_EQ(nameAt(0), u"A");
  EXPECT_EQ(nameAt(1), u"Z");
  EXPECT_EQ(ReadLe(bytes, 16 + 16, 4), 3u);
  EXPECT_EQ(ReadLe(bytes, 16 + 24, 4), 5u);
}

}  // namespace
