#include "platform/posix/string_blob.h"

#include <cstdint>
#include <cstring>

namespace {

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLittleEndian(const char* p, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(p[i]);
  return value;
}

}  // namespace

std::string EncodeStringBlob(const StringEntries& entries) {
  std::string blob;
  for (const auto& [id, text] : entries) {
    PutLittleEndian(blob, id, 4);
    PutLittleEndian(blob, text.size(), 4);
    blob += text;
  }
  const std::uint64_t length = blob.size();
  PutLittleEndian(blob, length, 8);
  blob.append(StringBlobMagic, 8);
  return blob;
}

bool ReadStringBlobFooter(const char* footer, std::size_t* entriesLength) {
  if (std::memcmp(footer + 8, StringBlobMagic, 8) != 0) return false;
  *entriesLength = static_cast<std::size_t>(GetLittleEndian(footer, 8));
  return true;
}

bool FindStringBlob(const char* image, std::size_t size, std::size_t* blobStart) {
  *blobStart = size;
  std::size_t length = 0;
  if (size < StringBlobFooterSize ||
      !ReadStringBlobFooter(image + size - StringBlobFooterSize, &length)) {
    return true;
  }
  if (length > size - StringBlobFooterSize) return false;
  *blobStart = size - StringBlobFooterSize - static_cast<std::size_t>(length);
  return true;
}

bool DecodeStringBlob(const char* image, std::size_t size, std::size_t blobStart,
                      StringEntries* entries) {
  entries->clear();
  if (blobStart == size) return true;
  const std::size_t end = size - StringBlobFooterSize;
  std::size_t at = blobStart;
  while (at < end) {
    if (end - at < 8) return false;
    const unsigned id = static_cast<unsigned>(GetLittleEndian(image + at, 4));
    const std::uint64_t length = GetLittleEndian(image + at + 4, 4);
    at += 8;
    if (length > end - at) return false;
    (*entries)[id] = std::string(image + at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
  }
  return true;
}
