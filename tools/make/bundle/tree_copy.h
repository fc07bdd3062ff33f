#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// Copies the file or folder `from` to `to`, which must not exist yet, with everything
/// below it. Links are followed: the copy holds what they point at, so that it does
/// not depend on the machine it was made on. A link to a folder that the copy is
/// already inside (`lib/up -> ..`) would never end: it is an error naming the link.
/// What is one of `leaveOut` (the copy's own output, when it lies inside `from`) is
/// left out. Permissions are kept. False with `error` naming the path that
/// failed.
bool CopyTree(const std::string& from, const std::string& to, std::string* error,
              const std::vector<std::string>& leaveOut = {});

/// Removes the file or folder `path` with everything below it, read-only folders
/// included: what this process cannot remove for want of write permission it makes
/// writable first. True when nothing is left (or nothing was there); false with
/// `error` naming the path otherwise.
bool RemoveTree(const std::string& path, std::string* error);

/// The folders and files below `root`, relative to it with '/' between names, sorted,
/// each folder before what it holds.
std::vector<std::string> ListTree(const std::string& root);

/// The bytes of all files at or below `path`.
std::uintmax_t TreeSize(const std::string& path);

/// `bytes` for people: "812 KB", "55.3 MB".
std::string FormatSize(std::uintmax_t bytes);
