#include "tools/make/pe/pe_resource_writer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t SubdirectoryBit = 0x80000000u;
constexpr std::uint32_t SectionInitializedData = 0x00000040u;
constexpr std::uint32_t SectionMemoryRead = 0x40000000u;
constexpr int CertificateDataDirectory = 4;
constexpr int ResourceDataDirectory = 2;

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

struct TreeWriter {
  std::string Out;
  std::size_t NextDirectory = 0;
  std::size_t NextDataEntry = 0;
  std::size_t NextName = 0;
  std::size_t NextData = 0;
  std::uint32_t SectionRva = 0;

  void Header(std::size_t at, std::size_t named, std::size_t numbered) {
    WriteLe(&Out, at + 12, static_cast<std::uint32_t>(named), 2);
    WriteLe(&Out, at + 14, static_cast<std::uint32_t>(numbered), 2);
  }

  std::uint32_t KeyField(const ResourceKey& key) {
    if (!key.IsName()) return key.Id;
    const std::size_t at = NextName;
    WriteLe(&Out, at, static_cast<std::uint32_t>(key.Name.size()), 2);
    for (std::size_t i = 0; i < key.Name.size(); ++i) WriteLe(&Out, at + 2 + 2 * i, key.Name[i], 2);
    NextName += 2 + 2 * key.Name.size();
    return static_cast<std::uint32_t>(at) | SubdirectoryBit;
  }

  std::size_t TakeDirectory(std::size_t entries) {
    const std::size_t at = NextDirectory;
    NextDirectory += 16 + 8 * entries;
    return at;
  }

  template <typename Map, typename Child>
  void Directory(std::size_t at, const Map& entries, Child child) {
    std::size_t named = 0;
    for (const auto& entry : entries) named += ResourceKey(entry.first).IsName() ? 1 : 0;
    Header(at, named, entries.size() - named);
    std::size_t slot = at + 16;
    for (const auto& [key, value] : entries) {
      WriteLe(&Out, slot, KeyField(ResourceKey(key)), 4);
      WriteLe(&Out, slot + 4, child(value), 4);
      slot += 8;
    }
  }

  std::uint32_t Data(const ResourceData& data) {
    const std::size_t entry = NextDataEntry;
    NextDataEntry += 16;
    WriteLe(&Out, entry, SectionRva + static_cast<std::uint32_t>(NextData), 4);
    WriteLe(&Out, entry + 4, static_cast<std::uint32_t>(data.Bytes.size()), 4);
    WriteLe(&Out, entry + 8, data.CodePage, 4);
    Out.replace(NextData, data.Bytes.size(), data.Bytes);
    NextData = AlignUp(NextData + data.Bytes.size(), 8);
    return static_cast<std::uint32_t>(entry);
  }
};

}  // namespace

std::string SerializeResourceTree(const ResourceTree& tree, std::uint32_t sectionRva) {
  // Sizes first: directories, then data entries, then names, then data.
  std::size_t directories = 16 + 8 * tree.size();
  std::size_t leaves = 0;
  std::size_t names = 0;
  std::size_t data = 0;
  for (const auto& [type, byName] : tree) {
    directories += 16 + 8 * byName.size();
    if (type.IsName()) names += 2 + 2 * type.Name.size();
    for (const auto& [name, byLanguage] : byName) {
      directories += 16 + 8 * byLanguage.size();
      if (name.IsName()) names += 2 + 2 * name.Name.size();
      for (const auto& language : byLanguage) {
        ++leaves;
        data += AlignUp(language.second.Bytes.size(), 8);
      }
    }
  }
  TreeWriter writer;
  writer.SectionRva = sectionRva;
  writer.NextDataEntry = directories;
  writer.NextName = directories + 16 * leaves;
  writer.NextData = AlignUp(writer.NextName + names, 8);
  writer.Out.assign(writer.NextData + data, '\0');

  const std::size_t root = writer.TakeDirectory(tree.size());
  writer.Directory(root, tree, [&](const ResourceNames& byName) {
    const std::size_t at = writer.TakeDirectory(byName.size());
    writer.Directory(at, byName, [&](const ResourceLanguages& byLanguage) {
      const std::size_t languageAt = writer.TakeDirectory(byLanguage.size());
      writer.Directory(languageAt, byLanguage,
                       [&](const ResourceData& leaf) { return writer.Data(leaf); });
      return static_cast<std::uint32_t>(languageAt) | SubdirectoryBit;
    });
    return static_cast<std::uint32_t>(at) | SubdirectoryBit;
  });
  return writer.Out;
}

std::uint32_t PeChecksum(const std::string& bytes, std::size_t checksumAt) {
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    if (at == checksumAt || at == checksumAt + 2) continue;
    std::uint32_t word = static_cast<unsigned char>(bytes[at]);
    if (at + 1 < bytes.size())
      word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes.size());
}

namespace {

constexpr std::uint32_t SectionDiscardable = 0x02000000u;

struct Layout {
  const PeImage& Image;
  std::size_t Directories;  // file offset of the data directories
  std::size_t RawEnd;       // end of the last section's file data
};

// The index of the section that holds the resource directory, or -1.
int ResourceSection(const Layout& layout) {
  const std::uint32_t rva =
      ReadLe(layout.Image.Bytes, layout.Directories + 8 * ResourceDataDirectory, 4);
  for (std::size_t i = 0; rva != 0 && i < layout.Image.Sections.size(); ++i) {
    const PeSection& section = layout.Image.Sections[i];
    if (section.RawSize != 0 && rva >= section.VirtualAddress &&
        rva - section.VirtualAddress < section.RawSize) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::uint32_t Span(const PeSection& section) {
  return section.VirtualSize != 0 ? section.VirtualSize : section.RawSize;
}

// Whether the resource section can be rewritten where it is: after it in memory come
// only sections that nothing addresses but their data directory (the relocations,
// debug information), and in the file only their data and the symbol table.
bool CanReplaceInPlace(const Layout& layout, int index) {
  if (index < 0) return false;
  const PeSection& resources = layout.Image.Sections[index];
  for (std::size_t i = 0; i < layout.Image.Sections.size(); ++i) {
    const PeSection& section = layout.Image.Sections[i];
    if (static_cast<int>(i) == index) continue;
    const bool after = section.VirtualAddress > resources.VirtualAddress;
    if (after && !(section.Characteristics & SectionDiscardable)) return false;
    if (section.RawSize == 0) continue;
    if (after ? section.RawOffset < resources.RawOffset + resources.RawSize
              : section.RawOffset + section.RawSize > resources.RawOffset) {
      return false;
    }
  }
  return true;
}

// Puts `section` in place of the resource section `index`; the sections behind it move
// up or down with every data directory that points into them.
void ReplaceInPlace(const Layout& layout, int index, const std::string& section, std::string* out) {
  const PeImage& image = layout.Image;
  const std::string& bytes = image.Bytes;
  const PeSection& resources = image.Sections[index];
  *out = bytes.substr(0, resources.RawOffset) + section;
  out->resize(AlignUp(out->size(), image.FileAlignment), '\0');
  const std::size_t header = image.SectionTableOffset + 40 * index;
  WriteLe(out, header + 8, static_cast<std::uint32_t>(section.size()), 4);
  WriteLe(out, header + 16, static_cast<std::uint32_t>(out->size() - resources.RawOffset), 4);
  const std::uint32_t optional = static_cast<std::uint32_t>(image.OptionalHeaderOffset);
  WriteLe(out, optional + 8,
          ReadLe(bytes, optional + 8, 4) - resources.RawSize +
              static_cast<std::uint32_t>(out->size() - resources.RawOffset),
          4);  // SizeOfInitializedData

  std::vector<std::size_t> after;
  for (std::size_t i = 0; i < image.Sections.size(); ++i) {
    if (image.Sections[i].VirtualAddress > resources.VirtualAddress) after.push_back(i);
  }
  std::sort(after.begin(), after.end(), [&](std::size_t a, std::size_t b) {
    return image.Sections[a].VirtualAddress < image.Sections[b].VirtualAddress;
  });
  std::size_t next = AlignUp(resources.VirtualAddress + section.size(), image.SectionAlignment);
  const std::uint32_t directoryCount = std::min<std::uint32_t>(image.DataDirectoryCount, 16);
  for (const std::size_t i : after) {
    const PeSection& moved = image.Sections[i];
    const std::size_t at = image.SectionTableOffset + 40 * i;
    WriteLe(out, at + 12, static_cast<std::uint32_t>(next), 4);
    if (moved.RawSize != 0) {
      WriteLe(out, at + 20, static_cast<std::uint32_t>(out->size()), 4);
      *out += bytes.substr(moved.RawOffset, moved.RawSize);
      out->resize(AlignUp(out->size(), image.FileAlignment), '\0');
    }
    for (std::uint32_t d = 0; d < directoryCount; ++d) {
      const std::size_t entry = layout.Directories + 8 * d;
      const std::uint32_t rva = ReadLe(bytes, entry, 4);
      if (d != CertificateDataDirectory && rva >= moved.VirtualAddress &&
          rva - moved.VirtualAddress < Span(moved)) {
        WriteLe(out, entry, rva - moved.VirtualAddress + static_cast<std::uint32_t>(next), 4);
      }
    }
    next = AlignUp(next + Span(moved), image.SectionAlignment);
  }
  if (bytes.size() > layout.RawEnd) {  // the symbol table behind the sections
    WriteLe(out, image.FileHeaderOffset + 8,
            image.SymbolTableOffset - static_cast<std::uint32_t>(layout.RawEnd) +
                static_cast<std::uint32_t>(out->size()),
            4);
    *out += bytes.substr(layout.RawEnd);
  }
  WriteLe(out, optional + 56, static_cast<std::uint32_t>(next), 4);  // SizeOfImage
}

}  // namespace

bool WritePeImage(const PeImage& image, const ResourceTree& tree, std::string* out,
                  std::string* error) {
  const std::string& bytes = image.Bytes;
  const std::size_t optional = image.OptionalHeaderOffset;
  const std::size_t directories = optional + (image.Pe32Plus ? 112 : 96);
  if (image.DataDirectoryCount <= ResourceDataDirectory) {
    *error = "the executable has no resource directory entry";
    return false;
  }
  if (image.DataDirectoryCount > CertificateDataDirectory &&
      ReadLe(bytes, directories + 8 * CertificateDataDirectory + 4, 4) != 0) {
    *error = "the executable is signed; add resources before signing it";
    return false;
  }

  std::size_t rawEnd = image.SizeOfHeaders;
  std::size_t firstRaw = bytes.size();
  std::size_t virtualEnd = 0;
  for (const PeSection& section : image.Sections) {
    if (section.RawSize != 0) {
      rawEnd = std::max<std::size_t>(rawEnd, section.RawOffset + section.RawSize);
      firstRaw = std::min<std::size_t>(firstRaw, section.RawOffset);
    }
    virtualEnd =
        std::max<std::size_t>(virtualEnd, std::size_t{section.VirtualAddress} +
                                              std::max(section.VirtualSize, section.RawSize));
  }
  // Behind the last section there may be the COFF symbol and string tables; they are
  // found by their offset and stay valid. Anything else would be cut off from the end.
  if (bytes.size() > rawEnd &&
      !(image.SymbolTableOffset != 0 && image.SymbolTableOffset >= rawEnd &&
        image.SymbolTableOffset < bytes.size())) {
    *error = "the executable carries data behind its last section";
    return false;
  }

  const Layout layout{image, directories, rawEnd};
  const int index = ResourceSection(layout);
  if (CanReplaceInPlace(layout, index)) {
    const PeSection& resources = image.Sections[index];
    const std::string section = SerializeResourceTree(tree, resources.VirtualAddress);
    if (resources.VirtualAddress + section.size() + (virtualEnd - resources.VirtualAddress) >
            0xFFFFFFFFu ||
        bytes.size() + section.size() > 0xFFFFFFFFu) {
      *error = "the executable would grow beyond 4 GB";
      return false;
    }
    ReplaceInPlace(layout, index, section, out);
    WriteLe(out, directories + 8 * ResourceDataDirectory + 4,
            static_cast<std::uint32_t>(section.size()), 4);
  } else {
    const std::size_t header = image.SectionTableOffset + 40 * image.Sections.size();
    if (header + 40 > image.SizeOfHeaders || header + 40 > firstRaw ||
        bytes.find_first_not_of('\0', header) < header + 40) {
      *error = "the executable has no room for another section header";
      return false;
    }

    const std::size_t rva = AlignUp(virtualEnd, image.SectionAlignment);
    const std::string section = SerializeResourceTree(tree, static_cast<std::uint32_t>(rva));
    const std::size_t rawOffset = AlignUp(bytes.size(), image.FileAlignment);
    const std::size_t rawSize = AlignUp(section.size(), image.FileAlignment);
    if (rva + section.size() > 0xFFFFFFFFu || rawOffset + rawSize > 0xFFFFFFFFu) {
      *error = "the executable would grow beyond 4 GB";
      return false;
    }

    *out = bytes;
    // The old resources stay in place, unreferenced: their bytes go.
    if (index >= 0) {
      const PeSection& old = image.Sections[index];
      std::fill(out->begin() + old.RawOffset, out->begin() + old.RawOffset + old.RawSize, '\0');
    }
    out->resize(rawOffset, '\0');
    *out += section;
    out->resize(rawOffset + rawSize, '\0');

    out->replace(header, 8, std::string(".rsrc\0\0\0", 8));
    WriteLe(out, header + 8, static_cast<std::uint32_t>(section.size()), 4);
    WriteLe(out, header + 12, static_cast<std::uint32_t>(rva), 4);
    WriteLe(out, header + 16, static_cast<std::uint32_t>(rawSize), 4);
    WriteLe(out, header + 20, static_cast<std::uint32_t>(rawOffset), 4);
    WriteLe(out, header + 36, SectionInitializedData | SectionMemoryRead, 4);

    WriteLe(out, image.FileHeaderOffset + 2, static_cast<std::uint32_t>(image.Sections.size() + 1),
            2);
    WriteLe(out, optional + 8, ReadLe(bytes, optional + 8, 4) + static_cast<std::uint32_t>(rawSize),
            4);  // SizeOfInitializedData
    WriteLe(out, optional + 56,
            static_cast<std::uint32_t>(AlignUp(rva + section.size(), image.SectionAlignment)), 4);
    WriteLe(out, directories + 8 * ResourceDataDirectory, static_cast<std::uint32_t>(rva), 4);
    WriteLe(out, directories + 8 * ResourceDataDirectory + 4,
            static_cast<std::uint32_t>(section.size()), 4);
  }
  WriteLe(out, optional + 64, 0, 4);
  WriteLe(out, optional + 64, PeChecksum(*out, optional + 64), 4);
  // A damaged generic launcher can have headers that read but that this layout does not
  // carry over: what is written must read back with the same resources, or nothing is.
  PeImage written;
  if (!ReadPeImage(*out, &written, error) || !(written.Resources == tree)) {
    *error = "the executable's headers are not laid out as a linker lays them out";
    return false;
  }
  return true;
}
