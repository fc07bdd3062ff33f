#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

/// A resource type, name or language key: a number, or a name when Name is not empty.
struct ResourceKey {
  std::uint32_t Id = 0;
  std::u16string Name;

  ResourceKey() = default;
  ResourceKey(std::uint32_t id) : Id(id) {}  // NOLINT: ids are written as numbers
  explicit ResourceKey(std::u16string name) : Name(std::move(name)) {}
  bool IsName() const { return !Name.empty(); }
};

/// Named keys sort before numbered ones, as the resource directory lists them.
bool operator<(const ResourceKey& left, const ResourceKey& right);
bool operator==(const ResourceKey& left, const ResourceKey& right);

/// The bytes of one resource and the code page its data entry names.
struct ResourceData {
  std::string Bytes;
  std::uint32_t CodePage = 0;
};

bool operator==(const ResourceData& left, const ResourceData& right);

/// type -> name -> language -> data, the three levels of the resource directory.
using ResourceLanguages = std::map<std::uint16_t, ResourceData>;
using ResourceNames = std::map<ResourceKey, ResourceLanguages>;
using ResourceTree = std::map<ResourceKey, ResourceNames>;

/// Well-known resource types.
enum : std::uint32_t {
  ResourceTypeIcon = 3,
  ResourceTypeBitmap = 2,
  ResourceTypeString = 6,
  ResourceTypeMessageTable = 11,
  ResourceTypeGroupIcon = 14,
  ResourceTypeVersion = 16,
  ResourceTypeManifest = 24,
};

/// One section header.
struct PeSection {
  char Name[8] = {};
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t RawSize = 0;
  std::uint32_t RawOffset = 0;
  std::uint32_t Characteristics = 0;
};

/// A Windows executable as read from its file.
struct PeImage {
  std::string Bytes;  // the whole file
  bool Pe32Plus = false;
  std::uint16_t Machine = 0;
  std::size_t FileHeaderOffset = 0;  // the COFF header, after "PE\0\0"
  std::size_t OptionalHeaderOffset = 0;
  std::size_t SectionTableOffset = 0;
  std::uint32_t SectionAlignment = 0;
  std::uint32_t FileAlignment = 0;
  std::uint32_t SizeOfHeaders = 0;
  std::uint32_t SymbolTableOffset = 0;
  std::uint32_t DataDirectoryCount = 0;
  std::vector<PeSection> Sections;
  ResourceTree Resources;
};

constexpr std::uint16_t MachineI386 = 0x014C;
constexpr std::uint16_t MachineAmd64 = 0x8664;

/// The subsystems of the optional header: a window program, a console program.
constexpr std::uint16_t SubsystemWindowsGui = 2;
constexpr std::uint16_t SubsystemWindowsConsole = 3;

/// Offset of the Subsystem field in the optional header, the same in PE32 and PE32+.
constexpr std::size_t SubsystemOffset = 68;

/// Reads the headers, the sections and the resource tree of a PE image. Every offset
/// is checked against the file: a truncated or corrupt image gives false with
/// `error` set, never a read outside `bytes`.
bool ReadPeImage(const std::string& bytes, PeImage* image, std::string* error);

/// The largest file the tool reads: a generic launcher is well under a megabyte, and
/// no configuration, icon or splash picture comes near it.
constexpr std::uint64_t MaxInputFileSize = 64ull << 20;

/// Reads the file at `path` into `bytes`. False, with `error` naming the file, when it
/// cannot be read or is larger than MaxInputFileSize.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

/// Little-endian access to a byte string (the caller checks the bounds).
std::uint32_t ReadLe(const std::string& bytes, std::size_t at, int size);
void WriteLe(std::string* bytes, std::size_t at, std::uint32_t value, int size);
void AppendLe(std::string* bytes, std::uint32_t value, int size);
