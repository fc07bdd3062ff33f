#pragma once

#include <string>

/// Reads the attributes of `path` (GetFileAttributesA; stat elsewhere, following
/// links): -1 when they cannot be read, with the last error set; 1 for a directory;
/// 0 for anything else.
int ReadPathAttributes(const char* path);

/// An open directory listing; its layout belongs to the platform.
struct DirectoryListing;

/// The name the listing stands on. `Name` stays valid until the next step or the
/// close of the listing. A link to a directory counts as a directory.
struct DirectoryEntry {
  const char* Name = nullptr;
  bool IsDirectory = false;
};

/// Where a step through a listing has led.
enum class ListingStep {
  Entry,  // `entry` holds the next name
  End,    // no more names: the normal end, also for a directory without names
  Failed  // the listing broke off; the last error tells why
};

/// Opens the listing of the names in `directory` ("." and ".." included, in the file
/// system's own order) and steps to the first name (FindFirstFileA on `directory`
/// followed by "\*.*"; opendir and readdir elsewhere, where an empty `directory` is the
/// root). `*listing` receives the open listing, or null when none was opened; pass it
/// to CloseDirectoryListing in either case.
ListingStep OpenDirectoryListing(const char* directory, DirectoryListing** listing,
                                 DirectoryEntry* entry);

/// Steps to the next name of an open listing.
ListingStep NextDirectoryEntry(DirectoryListing* listing, DirectoryEntry* entry);

/// Closes a listing from OpenDirectoryListing; null is allowed. Keeps the last error.
void CloseDirectoryListing(DirectoryListing* listing);

/// What tells one directory (or file) from every other while the process runs,
/// whatever path leads to it.
struct DirectoryIdentity {
  unsigned long long Volume = 0;
  unsigned long long Index = 0;
};

/// Reads the identity of the directory or file at `path`, following links (the volume
/// serial number and file index of GetFileInformationByHandle; device and inode
/// elsewhere).
/// False when the file system cannot tell it; the last error then tells nothing.
bool ReadDirectoryIdentity(const char* path, DirectoryIdentity* identity);

/// The path that `path` finally leads to: absolute, with every link on the way
/// followed (realpath; GetFinalPathNameByHandleA on Windows, without its "\\?\"
/// prefix). False when the path does not exist or cannot be resolved.
bool ResolveFinalPath(const char* path, std::string* resolved);
