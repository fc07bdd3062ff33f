#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

struct DirectoryListing {
  DIR* Directory = nullptr;
};

int ReadPathAttributes(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0) return -1;
  return S_ISDIR(status.st_mode) ? 1 : 0;
}

namespace {

ListingStep ReadNextName(DirectoryListing* listing, DirectoryEntry* entry) {
  // readdir gives null both at the end and on failure; only errno tells them apart.
  errno = 0;
  const dirent* found = readdir(listing->Directory);
  if (found == nullptr) return errno == 0 ? ListingStep::End : ListingStep::Failed;
  entry->Name = found->d_name;
  if (found->d_type == DT_DIR) {
    entry->IsDirectory = true;
  } else if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
    // A link that leads nowhere counts as a file, as the listing on Windows shows it.
    struct stat status;
    const int saved = errno;
    entry->IsDirectory = fstatat(dirfd(listing->Directory), found->d_name, &status, 0) == 0 &&
                         S_ISDIR(status.st_mode);
    errno = saved;
  } else {
    entry->IsDirectory = false;
  }
  return ListingStep::Entry;
}

}  // namespace

ListingStep OpenDirectoryListing(const char* directory, DirectoryListing** listing,
                                 DirectoryEntry* entry) {
  *listing = nullptr;
  // The names below "" are those of "/", as a path joined to them shows.
  DIR* opened = opendir(*directory == '\0' ? "/" : directory);
  if (opened == nullptr) return ListingStep::Failed;
  *listing = new DirectoryListing{opened};
  return ReadNextName(*listing, entry);
}

ListingStep NextDirectoryEntry(DirectoryListing* listing, DirectoryEntry* entry) {
  return ReadNextName(listing, entry);
}

void CloseDirectoryListing(DirectoryListing* listing) {
  if (listing == nullptr) return;
  const int saved = errno;
  closedir(listing->Directory);
  delete listing;
  errno = saved;
}

bool ReadDirectoryIdentity(const char* path, DirectoryIdentity* identity) {
  struct stat status;
  if (stat(*path == '\0' ? "/" : path, &status) != 0) return false;
  identity->Volume = static_cast<unsigned long long>(status.st_dev);
  identity->Index = static_cast<unsigned long long>(status.st_ino);
  return true;
}

bool ResolveFinalPath(const char* path, std::string* resolved) {
  char* real = realpath(path, nullptr);
  if (real == nullptr) return false;
  *resolved = real;
  std::free(real);
  return true;
}
