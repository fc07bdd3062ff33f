#include "platform/directories.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/text_encoding.h"
#include "platform/win32/long_path.h"

const char ClassPathSeparator = ';';
const char ConfiguredClassPathSeparators[] = ";";
const char PathSeparator = '\\';

namespace {

bool CopyWhole(const std::string& text, char* buffer, std::size_t size) {
  if (text.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

bool ReadCurrentDirectory(std::string* directory) {
  // The ANSI call fails for a directory beyond MAX_PATH; the wide one gives its size.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  while (true) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return false;
    if (length < buffer.size()) {
      *directory = NarrowPath(buffer.data(), length);
      return true;
    }
    buffer.resize(length + 1);
  }
}

bool ReadCurrentDirectory(char* buffer, std::size_t size) {
  std::string directory;
  return ReadCurrentDirectory(&directory) && CopyWhole(directory, buffer, size);
}

bool IsAbsolutePath(const char* path) {
  // "\\server\share", "\\dir" (the current drive's root) and "C:" forms; "C:name",
  // relative to that drive's own current directory, is left to the system as well.
  if (path[0] == '\\' || path[0] == '/') return true;
  const char letter = static_cast<char>(path[0] | 0x20);
  return letter >= 'a' && letter <= 'z' && path[1] == ':';
}

bool ChangeCurrentDirectory(const char* path) {
  // The current directory takes no "\\?\" prefix: beyond MAX_PATH only a process
  // that declares itself aware of long paths, on a system that allows them, enters one.
  return SetCurrentDirectoryW(Wide(TextToUtf16(path))) != 0;
}

bool ReadExecutablePath(std::string* path) {
  // A cut path is not terminated on older systems and names another file: the call
  // is repeated with more room until the whole path fits.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  while (true) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      *path = NarrowPath(buffer.data(), length);
      return true;
    }
    if (buffer.size() > 32768) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ReadExecutablePath(char* buffer, std::size_t size) {
  std::string path;
  return ReadExecutablePath(&path) && CopyWhole(path, buffer, size);
}
