#pragma once

#include <cstddef>
#include <map>
#include <string>

/// The string table of a Linux launcher: entries appended behind the executable and
/// found through a footer, so that a tool can replace them in a copy of the program
/// without a compiler.
///
/// Layout: for each entry its id and its length (both 32-bit little-endian) and its
/// bytes; then the footer: the length of the entries (64-bit little-endian) and the
/// eight bytes of StringBlobMagic.
using StringEntries = std::map<unsigned, std::string>;

constexpr char StringBlobMagic[9] = "CVSTRTB1";
constexpr std::size_t StringBlobFooterSize = 16;

/// The entries and footer for `entries`.
std::string EncodeStringBlob(const StringEntries& entries);

/// Reads the footer (the last StringBlobFooterSize bytes of a program): false when
/// it carries no string table, else the length of the entries before it.
bool ReadStringBlobFooter(const char* footer, std::size_t* entriesLength);

/// Finds the blob at the end of `image` (a whole file). Returns the offset where the
/// blob starts, or `size` when the image carries none. False when a footer is
/// present but the blob is malformed.
bool FindStringBlob(const char* image, std::size_t size, std::size_t* blobStart);

/// Decodes the blob that occupies image[blobStart, size). False when malformed.
bool DecodeStringBlob(const char* image, std::size_t size, std::size_t blobStart,
                      StringEntries* entries);
