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

/// Makes the directory `path` (its parent must exist), open to the calling user alone
/// where the system allows that (mode 0700; on Windows the parent's access list is
/// inherited). False when it exists already or cannot be made.
bool MakeDirectory(const char* path);

/// Removes the empty directory `path`. False when it cannot be removed.
bool RemoveEmptyDirectory(const char* path);

/// Renames the directory `from` to `to` in one step: a reader finds `to` whole or not
/// at all. False when `to` exists (with anything in it) or the rename fails.
bool MoveDirectory(const char* from, const char* to);

/// Creates the empty file `path` when no file of that name exists, in one step, so
/// that of two processes only one succeeds. False when it exists or cannot be made.
bool CreateNewFile(const char* path);

/// Writes what the system still holds of the file `path` to the disk (fsync;
/// FlushFileBuffers on Windows). False when it cannot.
bool FlushFileToDisk(const char* path);

/// The id of the running process: part of the names of files that no other process
/// writes.
unsigned long CurrentProcessId();
