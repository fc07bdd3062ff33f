#include "platform/string_table.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/posix/string_blob.h"

namespace {

StringEntries ReadOwnStringTable() {
  StringEntries entries;
  std::ifstream file("/proc/self/exe", std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::size_t start = 0;
  if (!FindStringBlob(image.data(), image.size(), &start) ||
      !DecodeStringBlob(image.data(), image.size(), start, &entries)) {
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
