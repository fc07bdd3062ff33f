#include "tools/make/bitmap.h"

#include <cstdint>

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t CompressionRgb = 0;
constexpr std::uint32_t CompressionBitfields = 3;
// Larger pictures are not splash screens; the limit also keeps the size sums small.
constexpr std::int64_t MaxDimension = 16384;

bool Fail(std::string* error, const std::string& what) {
  *error = "not a bitmap Windows can load: " + what;
  return false;
}

}  // namespace

bool BitmapResourceFromFile(const std::string& file, std::string* resource, std::string* error) {
  if (file.size() < FileHeaderSize + InfoHeaderSize || file.compare(0, 2, "BM") != 0) {
    return Fail(error, "no bitmap file header");
  }
  const std::uint32_t bitsOffset = ReadLe(file, 10, 4);
  const std::size_t info = FileHeaderSize;
  if (ReadLe(file, info, 4) != InfoHeaderSize) {
    return Fail(error, "the header is not a 40-byte BITMAPINFOHEADER");
  }
  const auto width = static_cast<std::int32_t>(ReadLe(file, info + 4, 4));
  const auto height = static_cast<std::int32_t>(ReadLe(file, info + 8, 4));
  const std::uint32_t planes = ReadLe(file, info + 12, 2);
  const std::uint32_t bitCount = ReadLe(file, info + 14, 2);
  const std::uint32_t compression = ReadLe(file, info + 16, 4);
  const std::uint32_t imageSize = ReadLe(file, info + 20, 4);
  const std::uint32_t coloursUsed = ReadLe(file, info + 32, 4);

  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width <= 0 || rows == 0 || width > MaxDimension || rows > MaxDimension) {
    return Fail(error, "width or height out of range");
  }
  if (planes != 1) return Fail(error, "planes is not 1");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    return Fail(error, "bits per pixel is not 1, 4, 8, 16, 24 or 32");
  }
  if (compression != CompressionRgb &&
      !(compression == CompressionBitfields && (bitCount == 16 || bitCount == 32))) {
    return Fail(error, "compression is neither BI_RGB nor BI_BITFIELDS at 16 or 32 bits");
  }
  const std::size_t masks = compression == CompressionBitfields ? 12 : 0;
  std::size_t colours = coloursUsed;
  if (bitCount <= 8) {
    if (colours > (1u << bitCount)) return Fail(error, "more colours than the bit depth allows");
    if (colours == 0) colours = std::size_t{1} << bitCount;
  } else if (colours > 256) {
    return Fail(error, "colour table too large");
  }
  const std::size_t tableEnd = FileHeaderSize + InfoHeaderSize + masks + 4 * colours;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(rows);
  if (imageSize != 0 && imageSize < pixelBytes) {
    return Fail(error, "the image size is smaller than width and height give");
  }
  if (bitsOffset < tableEnd) return Fail(error, "the pixels overlap the colour table");
  if (tableEnd > file.size() || bitsOffset > file.size() || file.size() - bitsOffset < pixelBytes) {
    return Fail(error, "the file is shorter than its header says");
  }
  // Loaded from a resource, the pixels follow the colour table directly.
  *resource = file.substr(info, tableEnd - info) + file.substr(bitsOffset, pixelBytes);
  if (imageSize != 0) WriteLe(resource, 20, static_cast<std::uint32_t>(pixelBytes), 4);
  return true;
}

void SetSplashBitmap(ResourceTree* tree, const std::string& resource) {
  ResourceLanguages& languages =
      (*tree)[ResourceKey(ResourceTypeBitmap)][ResourceKey(SplashBitmapId)];
  // Keep the language the launcher was built with; a new picture is neutral.
  const std::uint16_t language = languages.empty() ? 0 : languages.begin()->first;
  languages.clear();
  languages[language] = ResourceData{resource, 0};
}
