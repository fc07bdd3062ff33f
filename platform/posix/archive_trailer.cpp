#include "platform/posix/archive_trailer.h"

#include <cstdint>
#include <cstring>

std::string EncodeArchiveTrailer(std::size_t packLength) {
  std::string trailer;
  for (int i = 0; i < 8; ++i) {
    trailer += static_cast<char>((static_cast<std::uint64_t>(packLength) >> (8 * i)) & 0xFF);
  }
  return trailer.append(ArchiveTrailerMagic, 8);
}

bool ReadArchiveTrailer(const char* trailer, std::size_t end, std::size_t* packStart) {
  if (end < ArchiveTrailerSize || std::memcmp(trailer + 8, ArchiveTrailerMagic, 8) != 0) {
    return false;
  }
  std::uint64_t length = 0;
  for (int i = 7; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(trailer[i]);
  if (length > end - ArchiveTrailerSize) return false;
  *packStart = end - ArchiveTrailerSize - static_cast<std::size_t>(length);
  return true;
}
