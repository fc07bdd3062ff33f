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
  // Opened, so that a symbolic link is followed to the file it names.
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION data;
  const bool read = GetFileInformationByHandle(file, &data) != 0;
  CloseHandle(file);
  if (!read) return false;
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

bool MakeDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool RemoveEmptyDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

bool MoveDirectory(const char* from, const char* to) { return MoveFileExA(from, to, 0) != 0; }

bool CreateNewFile(const char* path) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file) != 0;
}

bool FlushFileToDisk(const char* path) {
  ClearReadOnly(path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file) != 0;
  return CloseHandle(file) != 0 && flushed;
}
