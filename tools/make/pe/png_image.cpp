#include "tools/make/pe/png_image.h"

#include <cstdint>

#include "tools/make/bundle/compression.h"
#include "tools/make/pe/pe_image.h"

namespace {

const char PngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::size_t PngSignatureSize = 8;
constexpr std::size_t BitmapInfoHeaderSize = 40;
// Pictures beyond this side are no icon: the limit keeps the pixel buffer small.
constexpr unsigned MaxIconSide = 1024;

void AppendBe(std::string* bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(static_cast<char>(value >> shift));
}

std::uint32_t ReadBe(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void AppendChunk(std::string* png, const char* type, const std::string& data) {
  AppendBe(png, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type, 4) + data;
  *png += typed;
  AppendBe(png, Crc32(typed.data(), typed.size()));
}

// Rows of RGBA pixels, top row first, as an 8-bit RGBA PNG.
std::string EncodePng(unsigned width, unsigned height, const std::string& rgba) {
  std::string raw;
  for (unsigned row = 0; row < height; ++row) {
    raw.push_back('\0');  // no filter
    raw += rgba.substr(static_cast<std::size_t>(row) * width * 4, width * 4);
  }
  std::string header;
  AppendBe(&header, width);
  AppendBe(&header, height);
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no interlace
  std::string png(PngSignature, PngSignatureSize);
  AppendChunk(&png, "IHDR", header);
  AppendChunk(&png, "IDAT", ZlibStream(raw));
  AppendChunk(&png, "IEND", "");
  return png;
}

// A DIB of an icon: the colour rows bottom-up, then the AND mask (1 bit a pixel, set
// where the picture is transparent), every row padded to 4 bytes.
bool DibToPng(const std::string& dib, std::string* png, std::string* error) {
  if (dib.size() < BitmapInfoHeaderSize || ReadLe(dib, 0, 4) < BitmapInfoHeaderSize) {
    *error = "an icon image is neither a PNG nor a bitmap";
    return false;
  }
  const unsigned width = ReadLe(dib, 4, 4);
  const unsigned height = ReadLe(dib, 8, 4) / 2;  // the colour rows and the mask's
  const unsigned bits = ReadLe(dib, 14, 2);
  const unsigned compression = ReadLe(dib, 16, 4);
  unsigned colours = ReadLe(dib, 32, 4);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  if (bits > 8) colours = 0;
  const bool known = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
  if (!known || compression != 0 || width == 0 || height == 0 || width > MaxIconSide ||
      height > MaxIconSide || colours > 256) {
    *error = "the icon's picture is a bitmap of " + std::to_string(bits) +
             " bits per pixel that this tool cannot read; give a PNG as icon in [installer]";
    return false;
  }
  const std::size_t palette = ReadLe(dib, 0, 4);
  const std::size_t pixels = palette + 4 * static_cast<std::size_t>(colours);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  const std::size_t mask = pixels + stride * height;
  if (dib.size() < mask + maskStride * height) {
    *error = "an icon image ends before its pixels do";
    return false;
  }
  const auto transparent = [&](unsigned x, unsigned y) {
    const std::size_t at = mask + maskStride * (height - 1 - y) + x / 8;
    return (static_cast<unsigned char>(dib[at]) >> (7 - x % 8) & 1) != 0;
  };
  std::string rgba;
  bool anyAlpha = false;
  for (unsigned y = 0; y < height; ++y) {
    const std::size_t row = pixels + stride * (height - 1 - y);
    for (unsigned x = 0; x < width; ++x) {
      std::size_t colour = row + static_cast<std::size_t>(x) * bits / 8;  // B, G, R(, A)
      char alpha = transparent(x, y) ? 0 : static_cast<char>(255);
      if (bits <= 8) {
        const unsigned shift = 8 - bits - (x * bits) % 8;
        const unsigned index =
            static_cast<unsigned char>(dib[colour]) >> shift & ((1u << bits) - 1);
        colour = palette + 4 * static_cast<std::size_t>(index < colours ? index : 0);
      } else if (bits == 32) {
        alpha = dib[colour + 3];
        anyAlpha = anyAlpha || alpha != 0;
      }
      rgba += {dib[colour + 2], dib[colour + 1], dib[colour], alpha};
    }
  }
  // A 32-bit picture whose alpha is all zero predates alpha: its mask makes the holes.
  if (bits == 32 && !anyAlpha) {
    for (std::size_t at = 0; at < rgba.size(); at += 4) {
      const unsigned pixel = static_cast<unsigned>(at / 4);
      rgba[at + 3] = transparent(pixel % width, pixel / width) ? 0 : static_cast<char>(255);
    }
  }
  *png = EncodePng(width, height, rgba);
  return true;
}

}  // namespace

bool ReadPngSize(const std::string& png, unsigned* width, unsigned* height) {
  if (png.size() < 24 || png.compare(0, PngSignatureSize, PngSignature) != 0 ||
      png.compare(12, 4, "IHDR") != 0) {
    return false;
  }
  *width = ReadBe(png, 16);
  *height = ReadBe(png, 20);
  return *width > 0 && *height > 0;
}

bool IconToPng(const std::vector<IconImage>& images, std::string* png, std::string* error) {
  const IconImage* largest = nullptr;
  unsigned largestSide = 0;
  for (const IconImage& image : images) {
    const unsigned side = image.Width == 0 ? 256 : image.Width;
    if (largest == nullptr || side > largestSide ||
        (side == largestSide && image.BitCount > largest->BitCount)) {
      largest = &image;
      largestSide = side;
    }
  }
  if (largest == nullptr) {
    *error = "the icon holds no picture";
    return false;
  }
  unsigned width = 0;
  unsigned height = 0;
  if (ReadPngSize(largest->Bytes, &width, &height)) {
    *png = largest->Bytes;
    return true;
  }
  return DibToPng(largest->Bytes, png, error);
}
