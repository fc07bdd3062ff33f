#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>

bool ReadFileStamp(const char* path, FileStamp* stamp) {
  struct stat status;
  if (stat(path, &status) != 0) return false;
  stamp->Size = static_cast<unsigned long long>(status.st_size);
  stamp->ModifiedNanoseconds =
      static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
  return true;
}

bool MoveFileOver(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool RemoveFile(const char* path) { return unlink(path) == 0; }

bool ReadFreeSpace(const char* directory, unsigned long long* bytes) {
  struct statvfs volume;
  if (statvfs(directory, &volume) != 0) return false;
  *bytes = static_cast<unsigned long long>(volume.f_bavail) * volume.f_frsize;
  return true;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool MakeDirectory(const char* path) { return mkdir(path, 0700) == 0; }

bool RemoveEmptyDirectory(const char* path) { return rmdir(path) == 0; }

bool MoveDirectory(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool CreateNewFile(const char* path) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  return fd >= 0 && close(fd) == 0;
}

bool FlushFileToDisk(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0;
  return close(fd) == 0 && flushed;
}
