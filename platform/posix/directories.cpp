#include "platform/directories.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

const char ClassPathSeparator = ':';
const char ConfiguredClassPathSeparators[] = ";:";
const char PathSeparator = '/';

namespace {

bool CopyWhole(const std::string& text, char* buffer, std::size_t size) {
  if (text.size() >= size) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

bool ReadCurrentDirectory(std::string* directory) {
  // getcwd fails with ERANGE while the buffer is too small; PATH_MAX is no bound.
  std::vector<char> buffer(512);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return false;
    buffer.resize(buffer.size() * 2);
  }
  *directory = buffer.data();
  return true;
}

bool ReadCurrentDirectory(char* buffer, std::size_t size) {
  std::string directory;
  return ReadCurrentDirectory(&directory) && CopyWhole(directory, buffer, size);
}

bool IsAbsolutePath(const char* path) { return path[0] == '/'; }

bool ChangeCurrentDirectory(const char* path) { return chdir(path) == 0; }

bool ReadExecutablePath(std::string* path) {
  // readlink says nothing of a cut: a result that fills the buffer may be one.
  std::vector<char> buffer(512);
  while (true) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      path->assign(buffer.data(), static_cast<std::size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ReadExecutablePath(char* buffer, std::size_t size) {
  std::string path;
  return ReadExecutablePath(&path) && CopyWhole(path, buffer, size);
}
