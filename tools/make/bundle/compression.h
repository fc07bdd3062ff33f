#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// The CRC-32 of zip and gzip (polynomial 0xEDB88320), continued from `crc` (0 to start).
std::uint32_t Crc32(const char* data, std::size_t size, std::uint32_t crc = 0);

/// `data` as a raw deflate stream (RFC 1951), as zip files hold it.
std::string Deflate(const std::string& data);

/// `data` as a gzip file (RFC 1952) of one member, as gzip's default level makes it.
std::string Gzip(const std::string& data);

/// `data` as a zlib stream (RFC 1950), as PNG pictures hold it.
std::string ZlibStream(const std::string& data);

/// Decodes the raw deflate stream (RFC 1951) `data` into `out`, at most `limit` bytes.
/// False when the stream is damaged, ends early or would pass `limit`.
bool Inflate(const std::string& data, std::size_t limit, std::string* out);
