#pragma once

#include <cstddef>
#include <string>

/// The platform's directory separator ('\\' on Windows, '/' elsewhere).
extern const char PathSeparator;

/// The separator of the entries of a Java class path (';' on Windows, ':' elsewhere).
extern const char ClassPathSeparator;

/// What ends an entry of a configured class path (ClassPath): ';' everywhere, and on
/// POSIX also ':', as `java -cp` takes it there. Never ':' on Windows, where it follows
/// a drive letter.
extern const char ConfiguredClassPathSeparators[];

/// The current directory, however long. False when it cannot be read; the system error
/// is then the thread's last error.
bool ReadCurrentDirectory(std::string* directory);

/// ReadCurrentDirectory into `buffer` of `size` characters. False when it cannot be
/// read or does not fit whole, with the last error set.
bool ReadCurrentDirectory(char* buffer, std::size_t size);

/// Whether `path` names its place without the current directory: it starts at a root
/// ('/'; on Windows also '\\' or a drive letter and a colon).
bool IsAbsolutePath(const char* path);

/// Makes `path` the current directory, however long (on Windows the wide call, which
/// takes paths beyond MAX_PATH where the system allows it). False on failure, with the
/// last error set.
bool ChangeCurrentDirectory(const char* path);

/// The full path of the running executable, however long. False when it cannot be
/// read, with the last error set.
bool ReadExecutablePath(std::string* path);

/// ReadExecutablePath into `buffer` of `size` characters. False when it cannot be read
/// or does not fit whole (a cut path names another file), with the last error set.
bool ReadExecutablePath(char* buffer, std::size_t size);
