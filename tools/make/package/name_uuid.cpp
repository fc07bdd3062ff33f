#include "tools/make/package/name_uuid.h"

#include <cctype>
#include <cstdint>
#include <string>

namespace {

std::uint32_t Rotate(std::uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

// SHA-1 (FIPS 180-4) of `bytes`: what version 5 UUIDs are made of.
std::string Sha1(const std::string& bytes) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string message = bytes + '\x80';
  while (message.size() % 64 != 56) message += '\0';
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (int shift = 56; shift >= 0; shift -= 8) message += static_cast<char>(bits >> shift);
  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      w[i] = 0;
      for (int j = 0; j < 4; ++j) {
        w[i] = (w[i] << 8) | static_cast<unsigned char>(message[block + 4 * i + j]);
      }
    }
    for (int i = 16; i < 80; ++i) w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      const std::uint32_t f = i < 20   ? (b & c) | (~b & d)
                              : i < 40 ? b ^ c ^ d
                              : i < 60 ? (b & c) | (b & d) | (c & d)
                                       : b ^ c ^ d;
      const std::uint32_t k = i < 20   ? 0x5A827999
                              : i < 40 ? 0x6ED9EBA1
                              : i < 60 ? 0x8F1BBCDC
                                       : 0xCA62C1D6;
      const std::uint32_t next = Rotate(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = Rotate(b, 30);
      b = a;
      a = next;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  std::string digest;
  for (std::uint32_t word : h) {
    for (int shift = 24; shift >= 0; shift -= 8) digest += static_cast<char>(word >> shift);
  }
  return digest;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The 36 characters of the UUID without braces, or empty.
std::string Bare(const std::string& text) {
  const bool braced = text.size() == 38 && text.front() == '{' && text.back() == '}';
  const std::string bare = braced ? text.substr(1, 36) : text;
  if (bare.size() != 36) return std::string();
  for (std::size_t i = 0; i < bare.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? bare[i] != '-' : HexValue(bare[i]) < 0) return std::string();
  }
  return bare;
}

}  // namespace

bool IsUuidText(const std::string& text) { return !Bare(text).empty(); }

std::string NameBasedUuid(const std::string& space, const std::string& name) {
  const std::string bare = Bare(space);
  if (bare.empty()) return std::string();
  std::string bytes;
  for (std::size_t i = 0; i < bare.size(); ++i) {
    if (bare[i] == '-') continue;
    bytes += static_cast<char>(HexValue(bare[i]) * 16 + HexValue(bare[i + 1]));
    ++i;
  }
  std::string hash = Sha1(bytes + name).substr(0, 16);
  hash[6] = static_cast<char>((hash[6] & 0x0F) | 0x50);  // version 5
  hash[8] = static_cast<char>((hash[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  static const char Digits[] = "0123456789ABCDEF";
  std::string uuid;
  for (std::size_t i = 0; i < hash.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) uuid += '-';
    uuid += Digits[static_cast<unsigned char>(hash[i]) >> 4];
    uuid += Digits[static_cast<unsigned char>(hash[i]) & 0x0F];
  }
  return uuid;
}
