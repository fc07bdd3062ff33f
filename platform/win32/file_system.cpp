#include "platform/file_system.h"

#include <windows.h>

#include <string>

struct DirectoryListing {
  HANDLE Find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA Data;
};

int ReadPathAttributes(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
}

namespace {

void TakeEntry(const DirectoryListing* listing, DirectoryEntry* entry) {
  entry->Name = listing->Data.cFileName;
  entry->IsDirectory = (listing->Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

ListingStep OpenDirectoryListing(const char* directory, DirectoryListing** listing,
                                 DirectoryEntry* entry) {
  *listing = nullptr;
  const std::string pattern = std::string(directory) + "\\*.*";
  DirectoryListing* opened = new DirectoryListing;
  opened->Find = FindFirstFileA(pattern.c_str(), &opened->Data);
  if (opened->Find == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    delete opened;
    // A directory without names at all (a drive's empty root) has no first name.
    if (error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND) return ListingStep::End;
    SetLastError(error);
    return ListingStep::Failed;
  }
  *listing = opened;
  TakeEntry(opened, entry);
  return ListingStep::Entry;
}

ListingStep NextDirectoryEntry(DirectoryListing* listing, DirectoryEntry* entry) {
  if (!FindNextFileA(listing->Find, &listing->Data)) {
    return GetLastError() == ERROR_NO_MORE_FILES ? ListingStep::End : ListingStep::Failed;
  }
  TakeEntry(listing, entry);
  return ListingStep::Entry;
}

void CloseDirectoryListing(DirectoryListing* listing) {
  if (listing == nullptr) return;
  const DWORD saved = GetLastError();
  FindClose(listing->Find);
  delete listing;
  SetLastError(saved);
}

bool ReadDirectoryIdentity(const char* path, DirectoryIdentity* identity) {
  // No access rights are asked for: only the file's information is read. Backup
  // semantics let CreateFileA open a directory at all.
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const bool read = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  if (!read) return false;
  identity->Volume = information.dwVolumeSerialNumber;
  identity->Index = (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) |
                    information.nFileIndexLow;
  // Some network file systems give no file index; zero tells nothing.
  return identity->Index != 0;
}

bool ResolveFinalPath(const char* path, std::string* resolved) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[MAX_PATH * 4];
  const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer,
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (length == 0 || length >= sizeof buffer) return false;
  std::string text(buffer, length);
  // The final path comes in the long form: \\?\C:\dir, or \\?\UNC\server\share.
  if (text.rfind("\\\\?\\UNC\\", 0) == 0) {
    text = "\\\\" + text.substr(8);
  } else if (text.rfind("\\\\?\\", 0) == 0) {
    text = text.substr(4);
  }
  *resolved = text;
  return true;
}
