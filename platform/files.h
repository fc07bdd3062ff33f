#pragma once

/// Whether `path` can be opened for reading (fopen with "r"); the file is closed
/// again at once. Any failure counts as absent.
bool CanOpenForReading(const char* path);
