#include "tools/make/pe/version_info.h"

#include <gtest/gtest.h>

#include "tools/make/pe/string_table.h"

namespace {

// Finds the node with `key` in a VS_VERSIONINFO tree; its value's offset and length.
bool FindNode(const std::string& bytes, std::size_t at, std::size_t end, const std::u16string& key,
              std::size_t* valueAt, std::size_t* valueLength) {
  while (at + 6 <= end) {
    const std::size_t length = ReadLe(bytes, at, 2);
    if (length < 6 || at + length > end) return false;
    std::u16string name;
    std::size_t p = at + 6;
    while (ReadLe(bytes, p, 2) != 0) {
      name += static_cast<char16_t>(ReadLe(bytes, p, 2));
      p += 2;
    }
    p = (p + 2 + 3) / 4 * 4;
    const std::size_t value = ReadLe(bytes, at + 2, 2) * (ReadLe(bytes, at + 4, 2) == 1 ? 2 : 1);
    if (name == key) {
      *valueAt = p;
      *valueLength = value;
      return true;
    }
    const std::size_t children = (p + value + 3) / 4 * 4;
    if (children < at + length &&
        FindNode(bytes, children, at + length, key, valueAt, valueLength)) {
      return true;
    }
    at = (at + length + 3) / 4 * 4;
  }
  return false;
}

std::u16string TextValue(const std::string& bytes, const std::u16string& key) {
  std::size_t at = 0;
  std::size_t length = 0;
  if (!FindNode(bytes, 0, bytes.size(), key, &at, &length)) return u"<missing>";
  std::u16string text;
  for (std::size_t i = 0; i + 2 < length; i += 2)
    text += static_cast<char16_t>(ReadLe(bytes, at + i, 2));
  return text;
}

TEST(VersionInfo, FixedInfoAndStringsAreWhereWindowsLooks) {
  VersionSettings version;
  version.Present = true;
  const unsigned file[4] = {1, 4, 2, 7};
  const unsigned product[4] = {1, 4, 0, 0};
  std::copy(file, file + 4, version.FileVersion);
  std::copy(product, product + 4, version.ProductVersion);
  version.Strings = {
      {"FileVersion", "1.4.2.7"}, {"ProductName", "Quill\xC3\xA9"}, {"CompanyName", "Q"}};
  const std::string bytes = BuildVersionInfo(version);

  EXPECT_EQ(ReadLe(bytes, 0, 2), bytes.size());
  EXPECT_EQ(ReadLe(bytes, 2, 2), 52u);
  std::size_t fixed = 0;
  std::size_t length = 0;
  ASSERT_TRUE(FindNode(bytes, 0, bytes.size(), u"VS_VERSION_INFO", &fixed, &length));
  EXPECT_EQ(fixed, 40u);  // 6 + 32 bytes of key, aligned
  EXPECT_EQ(ReadLe(bytes, fixed, 4), 0xFEEF04BDu);
  EXPECT_EQ(ReadLe(bytes, fixed + 8, 4), 0x00010004u);
  EXPECT_EQ(ReadLe(bytes, fixed + 12, 4), 0x00020007u);
  EXPECT_EQ(ReadLe(bytes, fixed + 16, 4), 0x00010004u);
  EXPECT_EQ(ReadLe(bytes, fixed + 20, 4), 0u);

  EXPECT_EQ(TextValue(bytes, u"ProductName"), u"Quill\u00e9");
  EXPECT_EQ(TextValue(bytes, u"FileVersion"), u"1.4.2.7");
  EXPECT_EQ(TextValue(bytes, u"CompanyName"), u"Q");
  std::size_t table = 0;
  ASSERT_TRUE(FindNode(bytes, 0, bytes.size(), u"040904B0", &table, &length));
  std::size_t translation = 0;
  ASSERT_TRUE(FindNode(bytes, 0, bytes.size(), u"Translation", &translation, &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(ReadLe(bytes, translation, 4), 0x04B00409u);
}

TEST(VersionInfo, ReplacesEveryVersionResource) {
  ResourceTree tree;
  tree[ResourceKey(ResourceTypeVersion)][ResourceKey(1)][0] = ResourceData{"old", 0};
  tree[ResourceKey(ResourceTypeVersion)][ResourceKey(2)][1033] = ResourceData{"old", 0};
  SetVersionInfo(&tree, "new");
  const ResourceNames& names = tree[ResourceKey(ResourceTypeVersion)];
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names.at(ResourceKey(1)).at(VersionLanguage).Bytes, "new");
}

}  // namespace
