#pragma once

#include <cstddef>
#include <string>

/// A Linux launcher's archive pack lies behind the program and before the string
/// table, followed by a trailer: the length of the pack (64-bit little-endian) and the
/// eight bytes of ArchiveTrailerMagic. corvane-strings, which rewrites only what
/// follows, leaves it in place.
constexpr char ArchiveTrailerMagic[9] = "CVARCHV1";
constexpr std::size_t ArchiveTrailerSize = 16;

/// The trailer of a pack of `packLength` bytes.
std::string EncodeArchiveTrailer(std::size_t packLength);

/// Reads the ArchiveTrailerSize bytes at `trailer`, which end at offset `end` of the
/// file: false when they are no trailer or name a pack longer than what precedes
/// them; else `*packStart` is the offset of the pack.
bool ReadArchiveTrailer(const char* trailer, std::size_t end, std::size_t* packStart);
