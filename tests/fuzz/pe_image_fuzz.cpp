// Reads arbitrary bytes as the generic launcher: a truncated or corrupt image is an
// error, never a read outside the input. An image that reads and can be written
// gives back the same resources when the written image is read again.
//
// An input whose first byte is odd patches a valid image instead (the rest is a list
// of 16-bit offset and byte pairs, the last byte of the list cuts the image short),
// so that the resource directory is reached without a corpus.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/pe_resource_writer.h"
#include "tools/make/pe/pe_test_image.h"

namespace {

std::string PatchedImage(const std::uint8_t* data, std::size_t size) {
  static const std::string valid = [] {
    ResourceTree tree;
    tree[ResourceKey(6)][ResourceKey(66)][0] = ResourceData{std::string(34, 'a'), 0};
    tree[ResourceKey(u"NAMED")][ResourceKey(u"X")][1033] = ResourceData{"b", 1252};
    tree[ResourceKey(2)][ResourceKey(8000)][0] = ResourceData{std::string(44, 'c'), 0};
    return MakeTestImage(tree);
  }();
  std::string image = valid;
  std::size_t at = 1;
  for (; at + 3 <= size; at += 3) {
    const std::size_t offset = (data[at] | (data[at + 1] << 8)) % image.size();
    image[offset] = static_cast<char>(data[at + 2]);
  }
  if (at < size) image.resize(image.size() - data[at] % image.size());
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = size > 0 && (data[0] & 1)
                                ? PatchedImage(data, size)
                                : std::string(reinterpret_cast<const char*>(data), size);
  PeImage image;
  std::string error;
  if (!ReadPeImage(bytes, &image, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  std::string written;
  if (!WritePeImage(image, image.Resources, &written, &error)) return 0;
  PeImage back;
  if (!ReadPeImage(written, &back, &error) || !(back.Resources == image.Resources)) std::abort();
  return 0;
}
