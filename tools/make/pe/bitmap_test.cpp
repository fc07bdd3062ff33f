#include "tools/make/pe/bitmap.h"

#include <gtest/gtest.h>

namespace {

struct BitmapShape {
  std::int32_t Width = 3;
  std::int32_t Height = 2;
  unsigned BitCount = 24;
  unsigned Compression = 0;
  unsigned Colours = 0;
  unsigned Planes = 1;
  std::size_t Gap = 0;  // bytes between the colour table and the pixels
  std::string Encoded;  // run-length encoded pixels, their size in biSizeImage
};

std::size_t PixelBytes(const BitmapShape& shape) {
  if (!shape.Encoded.empty()) return shape.Encoded.size();
  const std::size_t rows = shape.Height < 0 ? -shape.Height : shape.Height;
  return (shape.Width * shape.BitCount + 31) / 32 * 4 * rows;
}

// A 3 x 2 picture at 8 bits with eight colours and the given BI_RLE8 pixels.
BitmapShape Rle8Shape(const std::string& encoded) {
  BitmapShape shape;
  shape.BitCount = 8;
  shape.Compression = 1;
  shape.Colours = 8;
  shape.Encoded = encoded;
  return shape;
}

std::string BitmapFile(const BitmapShape& shape) {
  const std::size_t masks = shape.Compression == 3 ? 12 : 0;
  const std::size_t colours =
      shape.Colours != 0 || shape.BitCount > 8 ? shape.Colours : std::size_t{1} << shape.BitCount;
  const std::size_t table = 4 * colours;
  const std::size_t bits = 14 + 40 + masks + table + shape.Gap;
  std::string file(bits, '\0');
  file[0] = 'B';
  file[1] = 'M';
  WriteLe(&file, 2, static_cast<std::uint32_t>(bits + PixelBytes(shape)), 4);
  WriteLe(&file, 10, static_cast<std::uint32_t>(bits), 4);
  WriteLe(&file, 14, 40, 4);
  WriteLe(&file, 18, static_cast<std::uint32_t>(shape.Width), 4);
  WriteLe(&file, 22, static_cast<std::uint32_t>(shape.Height), 4);
  WriteLe(&file, 26, shape.Planes, 2);
  WriteLe(&file, 28, shape.BitCount, 2);
  WriteLe(&file, 30, shape.Compression, 4);
  WriteLe(&file, 46, shape.Colours, 4);
  for (std::size_t i = 14 + 40; i < 14 + 40 + masks + table; ++i) file[i] = 'c';
  if (!shape.Encoded.empty()) {
    WriteLe(&file, 34, static_cast<std::uint32_t>(shape.Encoded.size()), 4);
    return file + shape.Encoded;
  }
  for (std::size_t i = 0; i < PixelBytes(shape); ++i) file += static_cast<char>('0' + i % 10);
  return file;
}

TEST(BitmapResource, IsTheDibWithoutFileHeaderAndGap) {
  BitmapShape shape;
  shape.BitCount = 8;
  shape.Colours = 2;
  shape.Gap = 6;
  const std::string file = BitmapFile(shape);
  std::string resource;
  std::string error;
  ASSERT_TRUE(BitmapResourceFromFile(file, &resource, &error)) << error;
  EXPECT_EQ(resource.size(), 40u + 8 + PixelBytes(shape));
  EXPECT_EQ(resource.substr(0, 48), file.substr(14, 48));
  EXPECT_EQ(resource.substr(48), file.substr(file.size() - PixelBytes(shape)));

  ResourceTree tree;
  tree[ResourceKey(ResourceTypeBitmap)][ResourceKey(SplashBitmapId)][1033] = ResourceData{"x", 0};
  SetSplashBitmap(&tree, resource);
  const ResourceLanguages& languages = tree[ResourceKey(ResourceTypeBitmap)][ResourceKey(8000)];
  ASSERT_EQ(languages.size(), 1u);
  EXPECT_EQ(languages.at(1033).Bytes, resource);
}

TEST(BitmapResource, AcceptsWhatWindowsLoads) {
  std::string resource;
  std::string error;
  for (unsigned bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
    BitmapShape shape;
    shape.BitCount = bits;
    EXPECT_TRUE(BitmapResourceFromFile(BitmapFile(shape), &resource, &error)) << bits << error;
  }
  BitmapShape topDown;
  topDown.Height = -2;
  EXPECT_TRUE(BitmapResourceFromFile(BitmapFile(topDown), &resource, &error)) << error;
  BitmapShape masked;
  masked.BitCount = 32;
  masked.Compression = 3;
  EXPECT_TRUE(BitmapResourceFromFile(BitmapFile(masked), &resource, &error)) << error;

  // Three pixels in absolute mode and their pad byte, end of line, a run of two, a
  // delta to the end of the row, end of bitmap.
  const std::string rle8("\x00\x03\x01\x02\x03\x00\x00\x00\x02\x05\x00\x02\x01\x00\x00\x01", 16);
  const std::string file = BitmapFile(Rle8Shape(rle8));
  ASSERT_TRUE(BitmapResourceFromFile(file, &resource, &error)) << error;
  EXPECT_EQ(resource, file.substr(14));
  // Without the end-of-bitmap escape, as some writers leave it.
  EXPECT_TRUE(BitmapResourceFromFile(BitmapFile(Rle8Shape(rle8.substr(0, 14))), &resource, &error))
      << error;
  // 4 bits: an absolute stretch of three pixels in two bytes, a run of one.
  BitmapShape rle4 = Rle8Shape(std::string("\x00\x03\x12\x30\x01\x44\x00\x01", 8));
  rle4.BitCount = 4;
  rle4.Compression = 2;
  rle4.Height = 1;
  rle4.Width = 4;
  EXPECT_TRUE(BitmapResourceFromFile(BitmapFile(rle4), &resource, &error)) << error;
}

TEST(BitmapResource, RefusesWhatWindowsCannotLoad) {
  std::string resource;
  std::string error;
  auto refused = [&](const std::string& file, const char* reason) {
    EXPECT_FALSE(BitmapResourceFromFile(file, &resource, &error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  };
  BitmapShape shape;
  shape.Planes = 2;
  refused(BitmapFile(shape), "planes");
  shape = BitmapShape();
  shape.BitCount = 12;
  refused(BitmapFile(shape), "bits per pixel");
  shape = BitmapShape();
  shape.Compression = 1;  // run-length encoded at 24 bits
  refused(BitmapFile(shape), "compression");
  shape = Rle8Shape(std::string("\x03\x01\x00\x01", 4));
  shape.Compression = 2;  // 4-bit encoding of an 8-bit picture
  refused(BitmapFile(shape), "compression");
  shape.Compression = 1;
  shape.Height = -2;
  refused(BitmapFile(shape), "top-down");
  const struct {
    std::string Encoded;
    const char* Reason;
  } broken[] = {
      {std::string("\x04\x01\x00\x01", 4), "run leaves"},
      {std::string("\x00\x00\x00\x00\x01\x01", 6), "run leaves"},
      {std::string("\x00\x02\x04\x00", 4), "delta leaves"},
      {std::string("\x00\x03\x01\x02", 4), "ends inside"},
      {std::string("\x03\x01\x00", 3), "ends inside"},
  };
  for (const auto& rle : broken) refused(BitmapFile(Rle8Shape(rle.Encoded)), rle.Reason);
  std::string unsized = BitmapFile(Rle8Shape(std::string("\x03\x01", 2)));
  WriteLe(&unsized, 34, 0, 4);
  refused(unsized, "image size of run-length");
  shape = BitmapShape();
  shape.Compression = 3;  // masks with 24 bits
  refused(BitmapFile(shape), "compression");
  shape = BitmapShape();
  shape.BitCount = 4;
  shape.Colours = 17;
  refused(BitmapFile(shape), "more colours");
  shape = BitmapShape();
  shape.Width = 0;
  refused(BitmapFile(shape), "width or height");
  std::string truncated = BitmapFile(BitmapShape());
  truncated.pop_back();
  refused(truncated, "shorter");
  std::string core = BitmapFile(BitmapShape());
  WriteLe(&core, 14, 12, 4);  // BITMAPCOREHEADER
  refused(core, "40-byte");
  std::string small = BitmapFile(BitmapShape());
  WriteLe(&small, 34, 4, 4);  // biSizeImage smaller than the pixels
  refused(small, "image size");
  refused("GIF89a", "no bitmap file header");
}

}  // namespace
