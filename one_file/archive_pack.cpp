#include "one_file/archive_pack.h"

#include <cstring>

#include "core/digest.h"

namespace {

constexpr std::size_t HeaderSize = 20;      // magic, count, digest
constexpr std::size_t EntryFixedSize = 12;  // name length, offset, size

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t Get(const unsigned char* p, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

bool IsPackableName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name.find_first_of("\\:") != std::string::npos) {
    return false;
  }
  for (std::size_t at = 0; at <= name.size();) {
    std::size_t end = name.find('/', at);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(at, end - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = end + 1;
  }
  return true;
}

std::uint64_t ArchivePackSize(const std::vector<std::string>& names,
                              const std::vector<std::uint64_t>& sizes) {
  std::uint64_t total = HeaderSize;
  for (const std::string& name : names) total += EntryFixedSize + name.size();
  for (std::uint64_t size : sizes) total += size;
  return total;
}

std::string EncodeArchivePack(const std::vector<ArchiveToPack>& archives) {
  // It names a folder; the launcher compares the bytes themselves.
  std::uint64_t digest = DigestStart;
  std::uint64_t offset = HeaderSize;
  for (const ArchiveToPack& archive : archives) offset += EntryFixedSize + archive.Name.size();
  std::string index;
  for (const ArchiveToPack& archive : archives) {
    Put(index, archive.Name.size(), 4);
    index += archive.Name;
    Put(index, offset, 4);
    Put(index, archive.Bytes.size(), 4);
    offset += archive.Bytes.size();
    // The name and the size go in too, so that no two packs share a digest by a
    // name moved from one archive's end to the next one's start.
    MixDigest(&digest, index.data() + index.size() - archive.Name.size() - 8, archive.Name.size());
    MixDigest(&digest, index.data() + index.size() - 4, 4);
    MixDigest(&digest, archive.Bytes.data(), archive.Bytes.size());
  }
  std::string pack(ArchivePackMagic, 8);
  Put(pack, archives.size(), 4);
  Put(pack, digest, 8);
  pack += index;
  for (const ArchiveToPack& archive : archives) pack += archive.Bytes;
  return pack;
}

bool DecodeArchivePack(const unsigned char* data, std::size_t size, ArchivePackIndex* index) {
  index->Archives.clear();
  if (size < HeaderSize || std::memcmp(data, ArchivePackMagic, 8) != 0) return false;
  const std::uint64_t count = Get(data + 8, 4);
  index->Digest = Get(data + 12, 8);
  std::size_t at = HeaderSize;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (size - at < 4) return false;
    const std::uint64_t length = Get(data + at, 4);
    if (size - at - 4 < length + 8) return false;
    PackedArchive archive;
    archive.Name.assign(reinterpret_cast<const char*>(data + at + 4), length);
    at += 4 + length;
    archive.Offset = static_cast<std::uint32_t>(Get(data + at, 4));
    archive.Size = static_cast<std::uint32_t>(Get(data + at + 4, 4));
    at += 8;
    if (archive.Offset > size || archive.Size > size - archive.Offset ||
        !IsPackableName(archive.Name)) {
      return false;
    }
    // A pack carries few archives: a name given twice is found by comparing.
    for (const PackedArchive& earlier : index->Archives) {
      if (earlier.Name == archive.Name) return false;
    }
    index->Archives.push_back(archive);
  }
  return true;
}
