#include "tools/make/pe/icon.h"

#include <gtest/gtest.h>

namespace {

std::string Dib(unsigned size, unsigned bitCount) {
  std::string dib(40, '\0');
  WriteLe(&dib, 0, 40, 4);
  WriteLe(&dib, 4, size, 4);
  WriteLe(&dib, 8, 2 * size, 4);
  WriteLe(&dib, 12, 1, 2);
  WriteLe(&dib, 14, bitCount, 2);
  return dib + std::string(size * size * bitCount / 8 + size * 4, '\x7f');
}

// An .ico file whose directory leaves planes and bit count 0, as many do.
std::string IconFile(const std::vector<std::string>& images) {
  std::string file;
  AppendLe(&file, 0, 2);
  AppendLe(&file, 1, 2);
  AppendLe(&file, static_cast<std::uint32_t>(images.size()), 2);
  std::size_t offset = 6 + 16 * images.size();
  for (const std::string& image : images) {
    file += static_cast<char>(ReadLe(image, 4, 1));
    file += static_cast<char>(ReadLe(image, 4, 1));
    file += std::string(6, '\0');
    AppendLe(&file, static_cast<std::uint32_t>(image.size()), 4);
    AppendLe(&file, static_cast<std::uint32_t>(offset), 4);
    offset += image.size();
  }
  for (const std::string& image : images) file += image;
  return file;
}

TEST(Icon, FileBecomesIconsAndAGroupThatNamesThem) {
  const std::vector<std::string> dibs = {Dib(16, 32), Dib(32, 8)};
  std::vector<IconImage> images;
  std::string error;
  ASSERT_TRUE(ReadIconFile(IconFile(dibs), &images, &error)) << error;
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[1].BitCount, 8u);  // from the image header
  EXPECT_EQ(images[1].Planes, 1u);

  ResourceTree tree;
  tree[ResourceKey(ResourceTypeIcon)][ResourceKey(9)][0] = ResourceData{"stale", 0};
  SetApplicationIcon(&tree, images);
  const ResourceNames& icons = tree[ResourceKey(ResourceTypeIcon)];
  ASSERT_EQ(icons.size(), 2u);
  EXPECT_EQ(icons.at(ResourceKey(2)).at(0).Bytes, dibs[1]);
  const std::string group = tree[ResourceKey(ResourceTypeGroupIcon)][ResourceKey(1)][0].Bytes;
  ASSERT_EQ(group.size(), 6u + 2 * 14);
  EXPECT_EQ(ReadLe(group, 2, 2), 1u);
  EXPECT_EQ(ReadLe(group, 4, 2), 2u);
  const std::size_t second = 6 + 14;
  EXPECT_EQ(ReadLe(group, second, 1), 32u);
  EXPECT_EQ(ReadLe(group, second + 4, 2), 1u);
  EXPECT_EQ(ReadLe(group, second + 6, 2), 8u);
  EXPECT_EQ(ReadLe(group, second + 8, 4), dibs[1].size());
  EXPECT_EQ(ReadLe(group, second + 12, 2), 2u);
}

TEST(Icon, RefusesFilesThatAreNotIcons) {
  std::vector<IconImage> images;
  std::string error;
  EXPECT_FALSE(ReadIconFile("BM not an icon", &images, &error));
  EXPECT_FALSE(ReadIconFile(std::string("\0\0\1\0\0\0", 6), &images, &error));
  std::string truncated = IconFile({Dib(16, 32)});
  truncated.resize(truncated.size() - 1);
  EXPECT_FALSE(ReadIconFile(truncated, &images, &error));
  EXPECT_NE(error.find("outside the file"), std::string::npos) << error;
  std::string garbage = IconFile({std::string(64, 'g')});
  EXPECT_FALSE(ReadIconFile(garbage, &images, &error));
}

}  // namespace
