#pragma once

#include <cstdint>
#include <string>

#include "tools/make/pe_image.h"

/// The resource section bytes for `tree` when the section starts at `sectionRva`:
/// the three directory levels, the data entries, the names and the data (each piece
/// aligned to 8 bytes).
std::string SerializeResourceTree(const ResourceTree& tree, std::uint32_t sectionRva);

/// The bytes of `image` with its resources replaced by `tree`. The whole tree goes
/// into a new section at the end of the image and the resource directory points at
/// it; the old resource data stays in place, unreferenced. Refuses (false, `error`
/// set) an image with a certificate table, with data behind its last section other
/// than the COFF symbol table, or with no room for one more section header.
bool WritePeImage(const PeImage& image, const ResourceTree& tree, std::string* out,
                  std::string* error);

/// The PE checksum of `bytes` (whose checksum field lies at `checksumAt`).
std::uint32_t PeChecksum(const std::string& bytes, std::size_t checksumAt);
