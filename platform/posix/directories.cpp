#include "platform/directories.h"

#include <unistd.h>

#include <cerrno>

const char ClassPathSeparator = ':';
const char ConfiguredClassPathSeparators[] = ";:";
const char PathSeparator = '/';

bool ReadCurrentDirectory(char* buffer, std::size_t size) {
  return getcwd(buffer, size) != nullptr;
}

bool IsAbsolutePath(const char* path) { return path[0] == '/'; }

bool ChangeCurrentDirectory(const char* path) { return chdir(path) == 0; }

bool ReadExecutablePath(char* buffer, std::size_t size) {
  const ssize_t length = readlink("/proc/self/exe", buffer, size);
  if (length < 0) return false;
  if (static_cast<std::size_t>(length) >= size) {
    errno = ENAMETOOLONG;
    return false;
  }
  buffer[length] = '\0';
  return true;
}
