#include "tools/make/pe/pe_image.h"

#include <fstream>
#include <iterator>
#include <set>

namespace {

constexpr std::uint32_t SubdirectoryBit = 0x80000000u;
constexpr int ResourceDataDirectory = 2;

// A view of the resource directory: offsets inside it are relative to its start.
struct ResourceReader {
  const PeImage* Image;
  std::size_t Start;  // file offset of the root directory
  std::size_t End;    // end of the section that holds it
  std::set<std::uint32_t> Visited;
  std::size_t BytesCopied = 0;
  std::size_t ByteLimit = 0;
  std::string* Error;

  bool Fail(const std::string& what) {
    *Error = "the resource directory is damaged: " + what;
    return false;
  }

  bool Has(std::uint32_t offset, std::size_t length) const {
    return offset <= End - Start && length <= End - Start - offset;
  }
};

bool RvaToOffset(const PeImage& image, std::uint32_t rva, std::uint32_t length,
                 std::size_t* offset) {
  for (const PeSection& section : image.Sections) {
    // Sections without file data were checked against nothing; they hold no resources.
    if (section.RawSize == 0 || rva < section.VirtualAddress) continue;
    const std::uint64_t into = rva - section.VirtualAddress;
    if (into + length > section.RawSize) continue;
    *offset = section.RawOffset + static_cast<std::size_t>(into);
    return true;
  }
  return false;
}

bool ReadKey(ResourceReader& reader, std::uint32_t field, ResourceKey* key) {
  if (!(field & SubdirectoryBit)) {
    *key = ResourceKey(field);
    return true;
  }
  const std::uint32_t at = field & ~SubdirectoryBit;
  if (!reader.Has(at, 2)) return reader.Fail("a name lies outside the section");
  const std::uint32_t length = ReadLe(reader.Image->Bytes, reader.Start + at, 2);
  if (length == 0 || !reader.Has(at + 2, 2u * length)) {
    return reader.Fail("a name lies outside the section");
  }
  std::u16string name;
  for (std::uint32_t i = 0; i < length; ++i) {
    name += static_cast<char16_t>(ReadLe(reader.Image->Bytes, reader.Start + at + 2 + 2 * i, 2));
  }
  *key = ResourceKey(std::move(name));
  return true;
}

bool ReadData(ResourceReader& reader, std::uint32_t at, ResourceData* data) {
  if (!reader.Has(at, 16)) return reader.Fail("a data entry lies outside the section");
  const std::string& bytes = reader.Image->Bytes;
  const std::uint32_t rva = ReadLe(bytes, reader.Start + at, 4);
  const std::uint32_t size = ReadLe(bytes, reader.Start + at + 4, 4);
  std::size_t offset = 0;
  if (!RvaToOffset(*reader.Image, rva, size, &offset)) {
    return reader.Fail("resource data lies outside the image");
  }
  reader.BytesCopied += size;
  if (reader.BytesCopied > reader.ByteLimit) return reader.Fail("resource data is repeated");
  data->Bytes = bytes.substr(offset, size);
  data->CodePage = ReadLe(bytes, reader.Start + at + 8, 4);
  return true;
}

// Reads the directory at `at` (level 0 types, 1 names, 2 languages) into `visit`.
template <typename Visit>
bool ReadDirectory(ResourceReader& reader, std::uint32_t at, Visit visit) {
  if (!reader.Has(at, 16)) return reader.Fail("a directory lies outside the section");
  if (!reader.Visited.insert(at).second) return reader.Fail("a directory is listed twice");
  const std::string& bytes = reader.Image->Bytes;
  const std::uint32_t count =
      ReadLe(bytes, reader.Start + at + 12, 2) + ReadLe(bytes, reader.Start + at + 14, 2);
  if (!reader.Has(at + 16, 8u * count)) {
    return reader.Fail("a directory's entries lie outside the section");
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = reader.Start + at + 16 + 8 * i;
    ResourceKey key;
    if (!ReadKey(reader, ReadLe(bytes, entry, 4), &key)) return false;
    if (!visit(key, ReadLe(bytes, entry + 4, 4))) return false;
  }
  return true;
}

// An empty directory holds nothing, and the writer writes none: a type or a name
// without entries below it is left out of the tree.
void DropEmptyDirectories(ResourceTree* tree) {
  for (auto type = tree->begin(); type != tree->end();) {
    ResourceNames& names = type->second;
    for (auto name = names.begin(); name != names.end();) {
      name = name->second.empty() ? names.erase(name) : std::next(name);
    }
    type = names.empty() ? tree->erase(type) : std::next(type);
  }
}

bool ReadResources(ResourceReader& reader, ResourceTree* tree) {
  const bool read = ReadDirectory(reader, 0, [&](const ResourceKey& type, std::uint32_t typeField) {
    if (!(typeField & SubdirectoryBit)) return reader.Fail("a type entry is not a directory");
    if (tree->count(type)) return reader.Fail("a type is listed twice");
    ResourceNames& names = (*tree)[type];
    return ReadDirectory(reader, typeField & ~SubdirectoryBit,
                         [&](const ResourceKey& name, std::uint32_t nameField) {
                           if (!(nameField & SubdirectoryBit))
                             return reader.Fail("a name entry is not a directory");
                           if (names.count(name)) return reader.Fail("a name is listed twice");
                           ResourceLanguages& languages = names[name];
                           return ReadDirectory(
                               reader, nameField & ~SubdirectoryBit,
                               [&](const ResourceKey& language, std::uint32_t dataField) {
                                 if (language.IsName() || language.Id > 0xFFFF) {
                                   return reader.Fail("a language is not a number");
                                 }
                                 if (dataField & SubdirectoryBit) {
                                   return reader.Fail("a language entry is a directory");
                                 }
                                 const auto id = static_cast<std::uint16_t>(language.Id);
                                 if (languages.count(id))
                                   return reader.Fail("a language is listed twice");
                                 return ReadData(reader, dataField, &languages[id]);
                               });
                         });
  });
  if (read) DropEmptyDirectories(tree);
  return read;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

}  // namespace

bool operator<(const ResourceKey& left, const ResourceKey& right) {
  if (left.IsName() != right.IsName()) return left.IsName();
  if (left.IsName()) return left.Name < right.Name;
  return left.Id < right.Id;
}

bool operator==(const ResourceKey& left, const ResourceKey& right) {
  return left.Id == right.Id && left.Name == right.Name;
}

bool operator==(const ResourceData& left, const ResourceData& right) {
  return left.Bytes == right.Bytes && left.CodePage == right.CodePage;
}

std::uint32_t ReadLe(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void WriteLe(std::string* bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) (*bytes)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendLe(std::string* bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) *bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Fail(error, path + ": cannot be read");
  if (in.tellg() > static_cast<std::streamoff>(MaxInputFileSize)) {
    return Fail(error, path + ": larger than 64 MiB, which no input of this tool is");
  }
  in.seekg(0);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return Fail(error, path + ": cannot be read");
  return true;
}

bool ReadPeImage(const std::string& bytes, PeImage* image, std::string* error) {
  *image = PeImage();
  const std::size_t size = bytes.size();
  if (size < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
    return Fail(error, "not a Windows executable");
  const std::uint32_t peOffset = ReadLe(bytes, 0x3C, 4);
  if (peOffset > size || size - peOffset < 24 ||
      bytes.compare(peOffset, 4, std::string("PE\0\0", 4)) != 0) {
    return Fail(error, "not a Windows executable (no PE header)");
  }
  image->Bytes = bytes;
  image->FileHeaderOffset = peOffset + 4;
  const std::size_t file = image->FileHeaderOffset;
  image->Machine = static_cast<std::uint16_t>(ReadLe(bytes, file, 2));
  const std::uint32_t sectionCount = ReadLe(bytes, file + 2, 2);
  image->SymbolTableOffset = ReadLe(bytes, file + 8, 4);
  const std::uint32_t optionalSize = ReadLe(bytes, file + 16, 2);
  image->OptionalHeaderOffset = file + 20;
  const std::size_t optional = image->OptionalHeaderOffset;
  if (optionalSize < 2 || optionalSize > size - optional) {
    return Fail(error, "the optional header is truncated");
  }
  const std::uint32_t magic = ReadLe(bytes, optional, 2);
  if (magic != 0x10B && magic != 0x20B) return Fail(error, "unknown optional header");
  image->Pe32Plus = magic == 0x20B;
  const std::uint32_t directoriesAt = image->Pe32Plus ? 112 : 96;
  if (optionalSize < directoriesAt) return Fail(error, "the optional header is truncated");
  image->SectionAlignment = ReadLe(bytes, optional + 32, 4);
  image->FileAlignment = ReadLe(bytes, optional + 36, 4);
  image->SizeOfHeaders = ReadLe(bytes, optional + 60, 4);
  image->DataDirectoryCount = ReadLe(bytes, optional + directoriesAt - 4, 4);
  if (image->DataDirectoryCount > (optionalSize - directoriesAt) / 8) {
    return Fail(error, "the data directories do not fit the optional header");
  }
  const auto isPowerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!isPowerOfTwo(image->SectionAlignment) || !isPowerOfTwo(image->FileAlignment) ||
      image->FileAlignment > image->SectionAlignment) {
    return Fail(error, "the section or file alignment is not valid");
  }

  image->SectionTableOffset = optional + optionalSize;
  if (sectionCount > (size - image->SectionTableOffset) / 40) {
    return Fail(error, "the section table is truncated");
  }
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const std::size_t at = image->SectionTableOffset + 40 * i;
    PeSection section;
    bytes.copy(section.Name, 8, at);
    section.VirtualSize = ReadLe(bytes, at + 8, 4);
    section.VirtualAddress = ReadLe(bytes, at + 12, 4);
    section.RawSize = ReadLe(bytes, at + 16, 4);
    section.RawOffset = ReadLe(bytes, at + 20, 4);
    section.Characteristics = ReadLe(bytes, at + 36, 4);
    if (section.RawSize != 0 &&
        (section.RawOffset > size || section.RawSize > size - section.RawOffset)) {
      return Fail(error, "a section lies outside the file");
    }
    image->Sections.push_back(section);
  }

  if (image->DataDirectoryCount <= ResourceDataDirectory) return true;
  const std::size_t directory = optional + directoriesAt + 8 * ResourceDataDirectory;
  const std::uint32_t resourceRva = ReadLe(bytes, directory, 4);
  if (resourceRva == 0) return true;
  std::size_t start = 0;
  if (!RvaToOffset(*image, resourceRva, 16, &start)) {
    return Fail(error, "the resource directory lies outside the sections");
  }
  std::size_t end = start;
  for (const PeSection& section : image->Sections) {
    if (start >= section.RawOffset && start < section.RawOffset + section.RawSize) {
      end = section.RawOffset + section.RawSize;
    }
  }
  ResourceReader reader{image, start, end, {}, 0, 4 * size + (1u << 20), error};
  return ReadResources(reader, &image->Resources);
}
