#pragma once

#include <cstdint>
#include <string>

#include "tools/make/pe/pe_image.h"

/// The resource section bytes for `tree` when the section starts at `sectionRva`:
/// the three directory levels, the data entries, the names and the data (each piece
/// aligned to 8 bytes).
std::string SerializeResourceTree(const ResourceTree& tree, std::uint32_t sectionRva);

/// The bytes of `image` with its resources replaced by `tree`. The tree takes the place
/// of the old resource section when only sections that nothing else addresses (the
/// relocations, debug information: discardable ones) follow it, as a linker lays an
/// executable out; they move behind it, with the data directories that point into
/// them. Otherwise the tree goes into a new section at the end of the image and the
/// old resource section is cleared to zeros. Refuses (false, `error` set) an image
/// with a certificate table, with data behind its last section other than the COFF
/// symbol table, or, for a new section, with no room for one more section header.
bool WritePeImage(const PeImage& image, const ResourceTree& tree, std::string* out,
                  std::string* error);

/// The PE checksum of `bytes` (whose checksum field lies at `checksumAt`).
std::uint32_t PeChecksum(const std::string& bytes, std::size_t checksumAt);
