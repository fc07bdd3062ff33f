#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// The archives a one-file launcher carries: one block of bytes that corvane-make
/// writes into the launcher and the launcher reads where it lies.
///
/// Layout, integers little-endian: the eight bytes of ArchivePackMagic; the number of
/// archives (32 bits); the digest of names and contents (64 bits); for each archive the
/// length of its name (32 bits), the name, the offset of its bytes from the start of
/// the pack (32 bits) and their length (32 bits); then the bytes of the archives.
/// A name is the archive's path below the folder it is written to: UTF-8, '/' between
/// folders, relative, without "." or ".." parts.

constexpr char ArchivePackMagic[9] = "CVPACK01";

/// The largest pack: its offsets are 32-bit, and Windows maps no image of 2 GiB.
constexpr std::uint64_t MaxArchivePackSize = 0x7FFFFFFFu;

/// One archive as a pack names it.
struct PackedArchive {
  std::string Name;
  std::uint32_t Offset = 0;
  std::uint32_t Size = 0;
};

/// The index of a pack.
struct ArchivePackIndex {
  std::uint64_t Digest = 0;
  std::vector<PackedArchive> Archives;
};

/// An archive to pack: its name (as above) and its bytes.
struct ArchiveToPack {
  std::string Name;
  std::string Bytes;
};

/// The pack of `archives`. The caller keeps the whole below MaxArchivePackSize
/// (ArchivePackSize tells it beforehand).
std::string EncodeArchivePack(const std::vector<ArchiveToPack>& archives);

/// The size of the pack of archives with these names and sizes.
std::uint64_t ArchivePackSize(const std::vector<std::string>& names,
                              const std::vector<std::uint64_t>& sizes);

/// Reads the index of the pack `data` of `size` bytes. False when it is damaged: a
/// wrong magic, an index or an archive that passes the end, or a name that is empty,
/// absolute, holds a '\\', ':', "." or ".." part, or is given twice.
bool DecodeArchivePack(const unsigned char* data, std::size_t size, ArchivePackIndex* index);

/// Whether `name` is a name a pack may hold (see above).
bool IsPackableName(const std::string& name);
