#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// Copies the file or folder `from` to `to`, which must not exist yet, with everything
/// below it. Links are followed: the copy holds what they point at, so that it does
/// not depend on the machine it was made on. Permissions are kept. False with `error`
/// naming the path that failed.
bool CopyTree(const std::string& from, const std::string& to, std::string* error);

/// The folders and files below `root`, relative to it with '/' between names, sorted,
/// each folder before what it holds.
std::vector<std::string> ListTree(const std::string& root);

/// The bytes of all files at or below `path`.
std::uintmax_t TreeSize(const std::string& path);

/// `bytes` for people: "812 KB", "55.3 MB".
std::string FormatSize(std::uintmax_t bytes);
