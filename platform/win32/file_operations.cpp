#include "platform/file_operations.h"

#include <windows.h>

namespace {

// FILETIME counts 100 ns steps from 1601-01-01.
constexpr long long FileTimeAt1970 = 116444736000000000LL;

// Files that the Java runtime writes are read-only; neither a rename over them nor a
// deletion succeeds until the attribute is gone.
void ClearReadOnly(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

}  // namespace

bool ReadFileStamp(const char* path, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  stamp->Size = static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  const long long ticks = static_cast<long long>(
      static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32 |
      data.ftLastWriteTime.dwLowDateTime);
  stamp->ModifiedNanoseconds = (ticks - FileTimeAt1970) * 100;
  return true;
}

bool MoveFileOver(const char* from, const char* to) {
  ClearReadOnly(to);
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const char* path) {
  ClearReadOnly(path);
  return DeleteFileA(path) != 0;
}

bool ReadFreeSpace(const char* directory, unsigned long long* bytes) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(directory, &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }
