#include "tools/make/bundle/jar_manifest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>

#include "tools/make/bundle/compression.h"
#include "tools/make/pe/pe_image.h"

namespace {

constexpr std::uint32_t EndOfDirectory = 0x06054b50;
constexpr std::uint32_t DirectoryEntry = 0x02014b50;
constexpr std::uint32_t LocalHeader = 0x04034b50;
constexpr std::size_t ManifestLimit = 64u << 20;  // a signed jar's digests included

bool ReadAt(std::ifstream& in, std::uint64_t at, std::size_t size, std::string* bytes) {
  bytes->assign(size, '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(at));
  in.read(&(*bytes)[0], static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(in.gcount()) == size;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

}  // namespace

bool ReadJarManifest(const std::string& path, std::string* manifest, std::string* error) {
  manifest->clear();
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Fail(error, "cannot be read");
  const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  // The end record lies in the last 22 bytes and the comment behind it, at most 64 KiB.
  const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, 22 + 65535));
  std::string bytes;
  if (tail < 22 || !ReadAt(in, size - tail, tail, &bytes)) return Fail(error, "not a zip file");
  std::size_t end = tail - 22 + 1;
  do {
    --end;
  } while (end > 0 && ReadLe(bytes, end, 4) != EndOfDirectory);
  if (ReadLe(bytes, end, 4) != EndOfDirectory) return Fail(error, "not a zip file");
  const std::uint32_t entries = ReadLe(bytes, end + 10, 2);
  const std::uint32_t directorySize = ReadLe(bytes, end + 12, 4);
  const std::uint32_t directoryAt = ReadLe(bytes, end + 16, 4);
  if (entries == 0xFFFF || directoryAt == 0xFFFFFFFFu) {
    return Fail(error, "a zip64 file, which this reader does not read");
  }
  std::string directory;
  if (!ReadAt(in, directoryAt, directorySize, &directory)) {
    return Fail(error, "its zip directory lies outside the file");
  }
  for (std::size_t at = 0, i = 0; i < entries; ++i) {
    if (directory.size() - at < 46 || ReadLe(directory, at, 4) != DirectoryEntry) {
      return Fail(error, "its zip directory is damaged");
    }
    const std::uint32_t method = ReadLe(directory, at + 10, 2);
    const std::uint32_t packed = ReadLe(directory, at + 20, 4);
    const std::uint32_t unpacked = ReadLe(directory, at + 24, 4);
    const std::size_t nameLength = ReadLe(directory, at + 28, 2);
    const std::size_t skip =
        46 + nameLength + ReadLe(directory, at + 30, 2) + ReadLe(directory, at + 32, 2);
    const std::uint32_t local = ReadLe(directory, at + 42, 4);
    if (directory.size() - at < skip) return Fail(error, "its zip directory is damaged");
    const std::string name = directory.substr(at + 46, nameLength);
    at += skip;
    if (Lower(name) != "meta-inf/manifest.mf") continue;
    std::string header;
    if (!ReadAt(in, local, 30, &header) || ReadLe(header, 0, 4) != LocalHeader) {
      return Fail(error, "its manifest's zip entry is damaged");
    }
    std::string data;
    if (!ReadAt(in, std::uint64_t{local} + 30 + ReadLe(header, 26, 2) + ReadLe(header, 28, 2),
                packed, &data)) {
      return Fail(error, "its manifest's zip entry is damaged");
    }
    if (method == 0) {
      *manifest = data;
    } else if (method != 8) {
      return Fail(error, "its manifest is compressed in a way this reader does not read");
    } else if (unpacked > ManifestLimit || !Inflate(data, unpacked, manifest)) {
      return Fail(error, "its manifest's compressed data is damaged");
    }
    return true;
  }
  return true;
}

std::string ManifestAttribute(const std::string& manifest, const std::string& name) {
  const std::string wanted = Lower(name) + ":";
  std::string value;
  bool inWanted = false;
  for (std::size_t at = 0; at < manifest.size();) {
    std::size_t end = manifest.find_first_of("\r\n", at);
    if (end == std::string::npos) end = manifest.size();
    const std::string line = manifest.substr(at, end - at);
    at = end + (manifest.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (line.empty()) break;  // the end of the main section
    if (line[0] == ' ') {
      if (inWanted) value += line.substr(1);
      continue;
    }
    inWanted = Lower(line.substr(0, wanted.size())) == wanted;
    if (inWanted) value = line.substr(wanted.size());
  }
  const std::size_t first = value.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : value.substr(first);
}

std::vector<std::string> RelativeClassPath(const std::string& value) {
  std::vector<std::string> entries;
  for (std::size_t at = 0; at < value.size();) {
    std::size_t end = value.find(' ', at);
    if (end == std::string::npos) end = value.size();
    const std::string url = value.substr(at, end - at);
    at = end + 1;
    const std::size_t colon = url.find(':');
    if (url.empty() || url[0] == '/' || (colon != std::string::npos && colon < url.find('/'))) {
      continue;
    }
    std::string path;
    for (std::size_t i = 0; i < url.size(); ++i) {
      if (url[i] == '%' && i + 2 < url.size() &&
          std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
        path += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        path += url[i];
      }
    }
    entries.push_back(path);
  }
  return entries;
}
