#pragma once

#include <string>

/// Writes the folder `folder` with everything below it into a zip file at `path`
/// (deflated where that is smaller, Unix permissions kept in the external attributes, so
/// the executable bit survives unzip), its names starting with `top` and '/'. The file is
/// written whole or left half-written: the caller writes it under a temporary name.
bool WriteZipArchive(const std::string& folder, const std::string& top, const std::string& path,
                     std::string* error);

/// The same as a gzip-compressed tar file (ustar, with GNU long names where a name does
/// not fit), its modes kept.
bool WriteTarGzArchive(const std::string& folder, const std::string& top, const std::string& path,
                       std::string* error);
