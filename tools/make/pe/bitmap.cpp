#include "tools/make/pe/bitmap.h"

#include <cstdint>

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t CompressionRgb = 0;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
constexpr std::uint32_t CompressionBitfields = 3;
// Larger pictures are not splash screens; the limit also keeps the size sums small.
constexpr std::int64_t MaxDimension = 16384;

bool Fail(std::string* error, const std::string& what) {
  *error = "not a bitmap Windows can load: " + what;
  return false;
}

// Walks the run-length encoded pixels (`bits` bytes at `at`) of a bottom-up picture:
// every run, absolute stretch and delta has to lie inside the data and inside the
// picture. The data may end without the end-of-bitmap escape.
bool CheckRunLengthPixels(const std::string& file, std::size_t at, std::size_t bits,
                          std::int64_t width, std::int64_t height, unsigned bitCount,
                          std::string* error) {
  const std::size_t end = at + bits;
  std::int64_t x = 0;
  std::int64_t y = 0;
  while (end - at >= 2) {
    const unsigned first = static_cast<unsigned char>(file[at]);
    const unsigned second = static_cast<unsigned char>(file[at + 1]);
    at += 2;
    std::int64_t pixels = 0;
    if (first != 0) {
      pixels = first;
    } else if (second == 0) {  // end of line
      x = 0;
      ++y;
      continue;
    } else if (second == 1) {  // end of bitmap
      return true;
    } else if (second == 2) {  // delta
      if (end - at < 2) break;
      x += static_cast<unsigned char>(file[at]);
      y += static_cast<unsigned char>(file[at + 1]);
      at += 2;
      if (x > width || y > height) return Fail(error, "a delta leaves the picture");
      continue;
    } else {  // absolute: `second` pixels, padded to a 16-bit boundary
      pixels = second;
      std::size_t bytes = bitCount == 8 ? second : (second + 1) / 2;
      bytes += bytes % 2;
      if (end - at < bytes) break;
      at += bytes;
    }
    if (y >= height || x + pixels > width) return Fail(error, "a run leaves the picture");
    x += pixels;
  }
  if (at != end) return Fail(error, "the run-length data ends inside an instruction");
  return true;
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
  const bool runLength = (compression == CompressionRle8 && bitCount == 8) ||
                         (compression == CompressionRle4 && bitCount == 4);
  if (compression != CompressionRgb && !runLength &&
      !(compression == CompressionBitfields && (bitCount == 16 || bitCount == 32))) {
    return Fail(error,
                "compression is not BI_RGB, BI_RLE8 at 8 bits, BI_RLE4 at 4 bits or "
                "BI_BITFIELDS at 16 or 32 bits");
  }
  // Windows draws run-length encoded pictures bottom-up only, and needs their size.
  if (runLength && height < 0) return Fail(error, "a run-length encoded picture is top-down");
  if (runLength && imageSize == 0) return Fail(error, "the image size of run-length data is 0");
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
  const std::size_t pixelBytes = runLength ? imageSize : rowBytes * static_cast<std::size_t>(rows);
  if (!runLength && imageSize != 0 && imageSize < pixelBytes) {
    return Fail(error, "the image size is smaller than width and height give");
  }
  if (bitsOffset < tableEnd) return Fail(error, "the pixels overlap the colour table");
  if (tableEnd > file.size() || bitsOffset > file.size() || file.size() - bitsOffset < pixelBytes) {
    return Fail(error, "the file is shorter than its header says");
  }
  if (runLength &&
      !CheckRunLengthPixels(file, bitsOffset, pixelBytes, width, rows, bitCount, error)) {
    return false;
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
