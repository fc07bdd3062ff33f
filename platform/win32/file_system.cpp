#include "platform/file_system.h"

#include <windows.h>

#include <string>

#include "platform/win32/long_path.h"

// The wide calls with the long form of every path: the ANSI ones stop at MAX_PATH.
struct DirectoryListing {
  HANDLE Find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW Data;
  std::string Name;
};

int ReadPathAttributes(const char* path) {
  const DWORD attributes = GetFileAttributesW(Wide(LongPathForm(path)));
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
}

namespace {

void TakeEntry(DirectoryListing* listing, DirectoryEntry* entry) {
  const wchar_t* name = listing->Data.cFileName;
  listing->Name = NarrowPath(name, wcslen(name));
  entry->Name = listing->Name.c_str();
  entry->IsDirectory = (listing->Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE OpenForInformation(const char* path) {
  // No access rights are asked for: only the file's information is read. Backup
  // semantics let CreateFileW open a directory at all.
  return CreateFileW(Wide(LongPathForm(path)), 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

ListingStep OpenDirectoryListing(const char* directory, DirectoryListing** listing,
                                 DirectoryEntry* entry) {
  *listing = nullptr;
  const std::string pattern = std::string(directory) + "\\*.*";
  DirectoryListing* opened = new DirectoryListing;
  opened->Find = FindFirstFileW(Wide(LongPathForm(pattern.c_str())), &opened->Data);
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
  if (!FindNextFileW(listing->Find, &listing->Data)) {
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
  HANDLE file = OpenForInformation(path);
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
  HANDLE file = OpenForInformation(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::u16string buffer(MAX_PATH, u'\0');
  DWORD length = 0;
  while (true) {
    length = GetFinalPathNameByHandleW(file, Wide(buffer), static_cast<DWORD>(buffer.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length < buffer.size()) break;
    buffer.resize(length + 1);  // the size it needs, terminator included
  }
  CloseHandle(file);
  if (length == 0) return false;
  buffer.resize(length);
  // The final path comes in the long form: \\?\C:\dir, or \\?\UNC\server\share.
  if (buffer.rfind(u"\\\\?\\UNC\\", 0) == 0) {
    buffer = u"\\\\" + buffer.substr(8);
  } else if (buffer.rfind(u"\\\\?\\", 0) == 0) {
    buffer = buffer.substr(4);
  }
  *resolved = NarrowPath(Wide(buffer), buffer.size());
  return true;
}
