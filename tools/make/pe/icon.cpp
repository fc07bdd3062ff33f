#include "tools/make/pe/icon.h"

namespace {

constexpr std::size_t DirectoryEntrySize = 16;
constexpr std::uint16_t IconLanguage = 0;

bool Fail(std::string* error, const std::string& what) {
  *error = "not an icon file: " + what;
  return false;
}

}  // namespace

bool ReadIconFile(const std::string& file, std::vector<IconImage>* images, std::string* error) {
  images->clear();
  if (file.size() < 6 || ReadLe(file, 0, 2) != 0 || ReadLe(file, 2, 2) != 1) {
    return Fail(error, "no icon directory");
  }
  const std::size_t count = ReadLe(file, 4, 2);
  if (count == 0) return Fail(error, "it holds no image");
  if (file.size() - 6 < count * DirectoryEntrySize)
    return Fail(error, "the directory is truncated");
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + i * DirectoryEntrySize;
    IconImage image;
    image.Width = static_cast<unsigned char>(file[entry]);
    image.Height = static_cast<unsigned char>(file[entry + 1]);
    image.ColourCount = static_cast<unsigned char>(file[entry + 2]);
    image.Planes = ReadLe(file, entry + 4, 2);
    image.BitCount = ReadLe(file, entry + 6, 2);
    const std::uint32_t size = ReadLe(file, entry + 8, 4);
    const std::uint32_t offset = ReadLe(file, entry + 12, 4);
    if (offset > file.size() || size > file.size() - offset || size < 8) {
      return Fail(error, "image " + std::to_string(i + 1) + " lies outside the file");
    }
    image.Bytes = file.substr(offset, size);
    const bool png = image.Bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    if (!png && (size < 40 || ReadLe(image.Bytes, 0, 4) != 40)) {
      return Fail(error, "image " + std::to_string(i + 1) + " is neither a DIB nor a PNG");
    }
    // Many icon files leave these to the image header.
    if (!png && image.Planes == 0) image.Planes = ReadLe(image.Bytes, 12, 2);
    if (!png && image.BitCount == 0) image.BitCount = ReadLe(image.Bytes, 14, 2);
    images->push_back(image);
  }
  return true;
}

std::string EncodeIconGroup(const std::vector<IconImage>& images, unsigned firstId) {
  std::string group;
  AppendLe(&group, 0, 2);
  AppendLe(&group, 1, 2);
  AppendLe(&group, static_cast<std::uint32_t>(images.size()), 2);
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    group += static_cast<char>(image.Width);
    group += static_cast<char>(image.Height);
    group += static_cast<char>(image.ColourCount);
    group += '\0';
    AppendLe(&group, image.Planes, 2);
    AppendLe(&group, image.BitCount, 2);
    AppendLe(&group, static_cast<std::uint32_t>(image.Bytes.size()), 4);
    AppendLe(&group, static_cast<std::uint32_t>(firstId + i), 2);
  }
  return group;
}

void SetApplicationIcon(ResourceTree* tree, const std::vector<IconImage>& images) {
  tree->erase(ResourceKey(ResourceTypeIcon));
  tree->erase(ResourceKey(ResourceTypeGroupIcon));
  ResourceNames& icons = (*tree)[ResourceKey(ResourceTypeIcon)];
  for (std::size_t i = 0; i < images.size(); ++i) {
    icons[ResourceKey(static_cast<std::uint32_t>(i + 1))][IconLanguage] =
        ResourceData{images[i].Bytes, 0};
  }
  (*tree)[ResourceKey(ResourceTypeGroupIcon)][ResourceKey(1)][IconLanguage] =
      ResourceData{EncodeIconGroup(images, 1), 0};
}
