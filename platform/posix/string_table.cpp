#include "platform/string_table.h"

#include <cstring>
#include <fstream>

#include "platform/posix/string_blob.h"

namespace {

// Reads only the table behind the program, not the program itself: its footer says
// how long it is.
StringEntries ReadOwnStringTable() {
  StringEntries entries;
  std::ifstream file("/proc/self/exe", std::ios::binary | std::ios::ate);
  const std::streamoff size = file.tellg();
  if (!file || size < static_cast<std::streamoff>(StringBlobFooterSize)) return entries;
  std::string tail(StringBlobFooterSize, '\0');
  file.seekg(size - static_cast<std::streamoff>(StringBlobFooterSize));
  if (!file.read(&tail[0], static_cast<std::streamsize>(tail.size()))) return entries;
  std::size_t length = 0;
  if (!ReadStringBlobFooter(tail.data(), &length) ||
      length > static_cast<std::size_t>(size) - StringBlobFooterSize) {
    return entries;
  }
  std::string blob(length + StringBlobFooterSize, '\0');
  std::size_t start = 0;
  file.seekg(size - static_cast<std::streamoff>(blob.size()));
  if (!file.read(&blob[0], static_cast<std::streamsize>(blob.size())) ||
      !FindStringBlob(blob.data(), blob.size(), &start) ||
      !DecodeStringBlob(blob.data(), blob.size(), start, &entries)) {
    entries.clear();
  }
  return entries;
}

}  // namespace

int ReadStringTableEntry(unsigned id, char* buffer, int size) {
  static const StringEntries table = ReadOwnStringTable();
  buffer[0] = '\0';
  if (size <= 0) return 0;
  const auto found = table.find(id);
  if (found == table.end()) return 0;
  const std::string& text = found->second;
  // Like the string-table read on Windows: cut to the buffer, stop at a zero.
  std::size_t length = std::strlen(text.c_str());
  if (length > static_cast<std::size_t>(size - 1)) length = size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}
