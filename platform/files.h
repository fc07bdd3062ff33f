#pragma once

#include <cstdio>

/// Opens the file at `path` as std::fopen does with `mode`, however long the path (on
/// Windows through the wide call and the "\\?\" form). Null on failure.
std::FILE* OpenFile(const char* path, const char* mode);

/// Whether `path` can be opened for reading (OpenFile with "r"); the file is closed
/// again at once. Any failure counts as absent.
bool CanOpenForReading(const char* path);
