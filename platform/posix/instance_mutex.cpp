#include "platform/instance_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The nearest thing to a named mutex: an advisory lock on a file named after the
// mutex, held for as long as the descriptor stays open. The kernel drops the lock
// when the holder dies, as Windows abandons a mutex.
std::string LockFilePath(const char* name) {
  const char* base = std::getenv("XDG_RUNTIME_DIR");
  std::string path = base != nullptr && *base != '\0' ? base : "/tmp";
  path += "/corvane-";
  path += std::to_string(getuid());
  path += '-';
  for (const char* p = name; *p != '\0'; ++p) path += (*p == '/' || *p == '\\') ? '.' : *p;
  path += ".lock";
  return path;
}

int OpenLockFile(const char* name) {
  if (*name == '\0') return -1;  // an unnamed mutex cannot be found by another process
  return open(LockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

}  // namespace

bool InstanceMutexExists(const char* name) {
  const int fd = OpenLockFile(name);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);  // also releases the lock if this call took it
  return held;
}

int CreateInstanceMutex(const char* name, InstanceMutexHandle* handle) {
  *handle = nullptr;
  const int fd = OpenLockFile(name);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held ? 1 : -1;
  }
  *handle = reinterpret_cast<InstanceMutexHandle>(static_cast<std::intptr_t>(fd) + 1);
  return 0;
}

void CloseInstanceMutex(InstanceMutexHandle handle) {
  close(static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1));
}
