#pragma once

#include <cstdint>
#include <string>

/// The CRC-32 of zip and gzip (polynomial 0xEDB88320), continued from `crc` (0 to start).
std::uint32_t Crc32(const char* data, std::size_t size, std::uint32_t crc = 0);

/// `data` as a raw deflate stream (RFC 1951): blocks of fixed Huffman codes over
/// LZ77 matches, or stored blocks where those would be larger.
std::string Deflate(const std::string& data);
