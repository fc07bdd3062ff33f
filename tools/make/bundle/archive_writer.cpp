#include "tools/make/bundle/archive_writer.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/path_text.h"
#include "tools/make/bundle/compression.h"
#include "tools/make/bundle/tree_copy.h"

namespace fs = std::filesystem;

namespace {

// What the archive says of one folder or file.
struct Member {
  std::string Name;  // "top/relative", with a trailing '/' for a folder
  std::string Source;
  bool Folder = false;
  unsigned Mode = 0;  // the Unix permission bits
};

std::vector<Member> Members(const std::string& folder, const std::string& top) {
  std::vector<Member> members;
  std::error_code ignored;
  members.push_back({top + "/", folder, true, 0755});
  for (const std::string& name : ListTree(folder)) {
    const fs::path source = fs::path(folder) / name;
    const fs::file_status status = fs::status(source, ignored);
    Member member;
    member.Folder = fs::is_directory(status);
    member.Name = top + "/" + name + (member.Folder ? "/" : "");
    member.Source = PathText(source);
    member.Mode = static_cast<unsigned>(status.permissions() & fs::perms::mask) & 07777;
    members.push_back(member);
  }
  return members;
}

// Runtime images hold files larger than any input of the launcher itself.
bool ReadMember(const Member& member, std::string* data, std::string* error) {
  data->clear();
  if (member.Folder) return true;
  std::ifstream in(member.Source, std::ios::binary);
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    *error = member.Source + ": cannot be read";
    return false;
  }
  return true;
}

void PutLe(std::string* out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

bool WriteFile(const std::string& path, const std::string& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *error = path + ": cannot be written (its folder is read-only, or the disk is full)";
    return false;
  }
  return true;
}

// The archive's time stamps: the time it is made, in the local time zip uses.
void DosTime(std::time_t now, std::uint16_t* time, std::uint16_t* date) {
  const std::tm* local = std::localtime(&now);
  *time = static_cast<std::uint16_t>(local->tm_hour << 11 | local->tm_min << 5 | local->tm_sec / 2);
  *date = static_cast<std::uint16_t>((local->tm_year - 80) << 9 | (local->tm_mon + 1) << 5 |
                                     local->tm_mday);
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// `width` - 1 octal digits and a NUL.
void PutOctal(char* field, std::size_t width, std::uint64_t value) {
  for (std::size_t i = width - 1; i-- > 0; value >>= 3)
    field[i] = static_cast<char>('0' + (value & 7));
  field[width - 1] = '\0';
}

// One 512-byte tar header.
std::string TarHeader(const std::string& name, char type, unsigned mode, std::uint64_t size,
                      std::time_t now) {
  char header[512] = {};
  name.copy(header, 100);
  PutOctal(header + 100, 8, mode);
  PutOctal(header + 108, 8, 0);
  PutOctal(header + 116, 8, 0);
  PutOctal(header + 124, 12, size);
  PutOctal(header + 136, 12, static_cast<std::uint64_t>(now));
  header[156] = type;
  std::string("ustar").copy(header + 257, 5);
  header[263] = '0';
  header[264] = '0';
  std::string("root").copy(header + 265, 32);
  std::string("root").copy(header + 297, 32);
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) {
    sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(header[i]);
  }
  std::snprintf(header + 148, 8, "%06o", sum);
  header[155] = ' ';
  return std::string(header, 512);
}

void PadTo512(std::string* out) { out->append((512 - out->size() % 512) % 512, '\0'); }

}  // namespace

bool WriteZipArchive(const std::string& folder, const std::string& top, const std::string& path,
                     std::string* error) {
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  DosTime(std::time(nullptr), &time, &date);
  std::string out;
  std::string directory;
  const std::vector<Member> members = Members(folder, top);
  if (members.size() > 0xFFFF) {
    *error = path + ": more than 65535 files, too many for a zip file";
    return false;
  }
  for (const Member& member : members) {
    std::string data;
    if (!ReadMember(member, &data, error)) return false;
    const std::uint32_t crc = Crc32(data.data(), data.size());
    std::string packed = Deflate(data);
    std::uint16_t method = 8;
    if (packed.size() >= data.size()) {
      packed = data;
      method = 0;
    }
    const std::uint16_t flags = IsAscii(member.Name) ? 0 : 0x0800;  // names in UTF-8
    if (out.size() + packed.size() + 30 + member.Name.size() > 0xFFFFFFFFu) {
      *error = path + ": larger than 4 GiB, too large for a zip file";
      return false;
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    std::string fields;  // shared by the local and the central header
    PutLe(&fields, 20, 2);
    PutLe(&fields, flags, 2);
    PutLe(&fields, method, 2);
    PutLe(&fields, time, 2);
    PutLe(&fields, date, 2);
    PutLe(&fields, crc, 4);
    PutLe(&fields, static_cast<std::uint32_t>(packed.size()), 4);
    PutLe(&fields, static_cast<std::uint32_t>(data.size()), 4);
    PutLe(&fields, static_cast<std::uint32_t>(member.Name.size()), 2);
    PutLe(&fields, 0, 2);  // no extra field
    PutLe(&out, 0x04034b50, 4);
    out += fields + member.Name + packed;

    PutLe(&directory, 0x02014b50, 4);
    PutLe(&directory, 3 << 8 | 20, 2);  // made on Unix: the attributes hold the mode
    directory += fields;
    PutLe(&directory, 0, 2);  // comment
    PutLe(&directory, 0, 2);  // disk
    PutLe(&directory, 0, 2);  // internal attributes
    const std::uint32_t type = member.Folder ? 0040000 : 0100000;
    PutLe(&directory, (type | member.Mode) << 16 | (member.Folder ? 0x10 : 0), 4);
    PutLe(&directory, offset, 4);
    directory += member.Name;
  }
  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  PutLe(&out, 0x06054b50, 4);
  PutLe(&out, 0, 4);  // disks
  PutLe(&out, static_cast<std::uint32_t>(members.size()), 2);
  PutLe(&out, static_cast<std::uint32_t>(members.size()), 2);
  PutLe(&out, static_cast<std::uint32_t>(directory.size()), 4);
  PutLe(&out, directoryOffset, 4);
  PutLe(&out, 0, 2);
  return WriteFile(path, out, error);
}

bool WriteTarGzArchive(const std::string& folder, const std::string& top, const std::string& path,
                       std::string* error) {
  const std::time_t now = std::time(nullptr);
  std::string tar;
  for (const Member& member : Members(folder, top)) {
    std::string data;
    if (!ReadMember(member, &data, error)) return false;
    if (member.Name.size() > 100) {
      tar += TarHeader("././@LongLink", 'L', 0644, member.Name.size() + 1, now);
      tar += member.Name;
      tar.push_back('\0');
      PadTo512(&tar);
    }
    tar += TarHeader(member.Name, member.Folder ? '5' : '0', member.Mode, data.size(), now);
    tar += data;
    PadTo512(&tar);
  }
  tar.append(1024, '\0');
  return WriteFile(path, Gzip(tar), error);
}
