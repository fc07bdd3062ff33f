#pragma once

/// The size and last modification of a file, as the file system tells them.
struct FileStamp {
  unsigned long long Size = 0;
  long long ModifiedNanoseconds = 0;  // since 1970-01-01 UTC
};

/// Reads the stamp of `path`, following links. False when it cannot be read.
bool ReadFileStamp(const char* path, FileStamp* stamp);

/// Renames the file `from` to `to` in one step, replacing `to` when it exists, even
/// when it is read-only: a reader of `to` finds the old file or the new one, never a
/// mix. False when the file stays where it was.
bool MoveFileOver(const char* from, const char* to);

/// Deletes the file `path`, read-only or not. False when it cannot be deleted.
bool RemoveFile(const char* path);

/// The bytes that the calling user may still write on the volume of `directory`.
/// False when the system cannot tell.
bool ReadFreeSpace(const char* directory, unsigned long long* bytes);

/// The id of the running process: part of the names of files that no other process
/// writes.
unsigned long CurrentProcessId();
