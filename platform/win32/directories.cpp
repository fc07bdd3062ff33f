#include "platform/directories.h"

#include <windows.h>

const char ClassPathSeparator = ';';
const char ConfiguredClassPathSeparators[] = ";";
const char PathSeparator = '\\';

bool ReadCurrentDirectory(char* buffer, std::size_t size) {
  const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
  if (length == 0) return false;
  if (length >= size) {
    // The call gives the size it would need and leaves the buffer alone.
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

bool IsAbsolutePath(const char* path) {
  // "\\server\share", "\\dir" (the current drive's root) and "C:" forms; "C:name",
  // relative to that drive's own current directory, is left to the system as well.
  if (path[0] == '\\' || path[0] == '/') return true;
  const char letter = static_cast<char>(path[0] | 0x20);
  return letter >= 'a' && letter <= 'z' && path[1] == ':';
}

bool ChangeCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool ReadExecutablePath(char* buffer, std::size_t size) {
  const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (length == 0) return false;
  if (length >= size) {
    // A cut path is not terminated on older systems and names another file.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  return true;
}
