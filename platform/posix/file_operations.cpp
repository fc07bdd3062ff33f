#include "platform/file_operations.h"

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
