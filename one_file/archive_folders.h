#pragma once

#include <cstddef>
#include <string>

/// Writes the `size` bytes at `data` to the file `path` whole: under a temporary name
/// beside it first ("<path>.<process id>.tmp"), then renamed over `path`, so that a
/// reader of `path` finds the old file or the whole new one. False when it cannot be
/// done; the temporary file is then gone.
bool WriteFileWhole(const std::string& path, const unsigned char* data, std::size_t size);

/// Whether the file `path` holds exactly the `size` bytes at `data`.
bool FileHoldsBytes(const std::string& path, const unsigned char* data, std::size_t size);

/// `folder` joined with `name` ('/' between the folders of a name): the path of the
/// archive `name` below `folder`, with the platform's separators.
std::string PathBelow(const std::string& folder, const std::string& name);

/// Makes the folders of `name` ('/' between them, the last part a file's) below
/// `folder` that are missing. False when one cannot be made.
bool MakeFoldersOf(const std::string& folder, const std::string& name);

/// Removes `path` and, when it is a directory, everything below it. A link is removed
/// itself (on Windows also a junction), never followed.
void RemoveWholeFolder(const std::string& path);

/// Removes from the application's cache `directory` the folders of packs (named by
/// sixteen hexadecimal digits) but the `keep` most recently written, never `current`,
/// and the folders "<digits>.<process id>.tmp" of processes that have ended.
void RemoveOlderPackFolders(const std::string& directory, const std::string& current,
                            std::size_t keep);
