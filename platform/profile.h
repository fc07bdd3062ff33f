#pragma once

#include <cstddef>

/// Reads `key` of `section` from the INI file at `path` into `buffer` of `size`
/// characters (GetPrivateProfileStringA), or `fallback` when the file, the section or
/// the key is missing. Returns the number of characters copied.
std::size_t ReadProfileString(const char* section, const char* key, const char* fallback,
                              char* buffer, std::size_t size, const char* path);
