#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// FNV-1a, 64 bits: a short name for some bytes (a cache folder's, a key's), never a
/// check of them. Start from DigestStart and mix in each piece in turn.
constexpr std::uint64_t DigestStart = 14695981039346656037ULL;

inline void MixDigest(std::uint64_t* digest, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    *digest = (*digest ^ static_cast<unsigned char>(data[i])) * 1099511628211ULL;
  }
}

/// The sixteen lowercase hexadecimal digits of `digest`.
inline std::string DigestText(std::uint64_t digest) {
  std::string digits(16, '0');
  for (int i = 15; i >= 0; --i, digest >>= 4) digits[i] = "0123456789abcdef"[digest & 0xF];
  return digits;
}
