#pragma once

#include <string>

/// Where the environment leaves the process in the C or POSIX locale for character
/// types (LC_ALL, LC_CTYPE and LANG unset or empty, or LC_CTYPE or LANG naming C or
/// POSIX, and LC_ALL not set), sets LC_CTYPE to a UTF-8 form of that locale (C.UTF-8,
/// where the system has one) for the runtime loaded later, which takes its file-name
/// encoding from it, and gives the name set. A locale that the user chose is left
/// alone, LC_ALL included. Empty when nothing was changed; always on Windows, where the
/// code page decides.
std::string PreferUtf8Locale();
