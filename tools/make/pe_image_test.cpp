#include "tools/make/pe_image.h"

#include <gtest/gtest.h>

#include "tools/make/pe_resource_writer.h"
#include "tools/make/pe_test_image.h"
#include "tools/make/string_table.h"

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

class PeRoundTrip : public testing::TestWithParam<bool> {};

TEST_P(PeRoundTrip, ResourcesComeBackAsWrittenAndTheImageStaysConsistent) {
  TestImageOptions options;
  options.Pe32Plus = GetParam();
  const std::string original = MakeTestImage(SampleResources(), options);
  PeImage image;
  std::string error;
  ASSERT_TRUE(ReadPeImage(original, &image, &error)) << error;
  EXPECT_EQ(image.Pe32Plus, GetParam());
  EXPECT_EQ(image.Machine, GetParam() ? MachineAmd64 : MachineI386);
  EXPECT_TRUE(image.Resources == SampleResources());

  ResourceTree changed = image.Resources;
  ASSERT_TRUE(SetStringEntry(&changed, 1072, u"Quillmark.jar;jh.jar"));
  changed[ResourceKey(ResourceTypeVersion)][ResourceKey(1)][1033] = ResourceData{"v", 0};
  std::string written;
  ASSERT_TRUE(WritePeImage(image, changed, &written, &error)) << error;

  PeImage back;
  ASSERT_TRUE(ReadPeImage(written, &back, &error)) << error;
  EXPECT_TRUE(back.Resources == changed);
  ASSERT_EQ(back.Sections.size(), 3u);
  const PeSection& added = back.Sections[2];
  EXPECT_EQ(std::string(added.Name, 5), ".rsrc");
  EXPECT_EQ(added.VirtualAddress % 0x1000, 0u);
  EXPECT_GE(added.VirtualAddress, image.Sections[1].VirtualAddress + image.Sections[1].VirtualSize);
  EXPECT_EQ(added.RawOffset % 0x200, 0u);
  EXPECT_EQ(added.RawOffset + added.RawSize, written.size());
  const std::size_t optional = back.OptionalHeaderOffset;
  EXPECT_EQ(ReadLe(written, optional + 56, 4),
            (added.VirtualAddress + added.VirtualSize + 0xFFF) / 0x1000 * 0x1000);
  EXPECT_EQ(ReadLe(written, optional + 8, 4), ReadLe(original, optional + 8, 4) + added.RawSize);
  std::string zeroed = written;
  WriteLe(&zeroed, optional + 64, 0, 4);
  EXPECT_EQ(ReadLe(written, optional + 64, 4), PeChecksum(zeroed, optional + 64));
  // The old sections keep their bytes.
  EXPECT_EQ(written.substr(0x200, original.size() - 0x200), original.substr(0x200));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeRoundTrip, testing::Bool());

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

  std::string crowded = MakeTestImage(SampleResources());
  crowded[0x40 + 24 + 224 + 2 * 40 + 3] = 'x';  // something lives where a header would go
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
