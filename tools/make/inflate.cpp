#include "tools/make/inflate.h"

#include <cstdint>

namespace {

struct Bits {
  const std::string& Data;
  std::size_t At = 0;
  std::uint32_t Buffer = 0;
  int Count = 0;
  bool Short = false;

  unsigned Take(int count) {
    while (Count < count) {
      if (At >= Data.size()) {
        Short = true;
        return 0;
      }
      Buffer |= static_cast<std::uint32_t>(static_cast<unsigned char>(Data[At++])) << Count;
      Count += 8;
    }
    const unsigned value = Buffer & ((1u << count) - 1);
    Buffer >>= count;
    Count -= count;
    return value;
  }
};

// A canonical Huffman code: how many codes of each length, and the symbols in order.
struct Code {
  int Counts[16] = {};
  int Symbols[320] = {};
};

// False for lengths that over-subscribe the code; an incomplete code is allowed, as
// zlib allows one for a single distance.
bool Build(Code* code, const int* lengths, int count) {
  for (int i = 0; i < count; ++i) ++code->Counts[lengths[i]];
  code->Counts[0] = 0;
  int left = 1;
  for (int length = 1; length < 16; ++length) {
    left = left * 2 - code->Counts[length];
    if (left < 0) return false;
  }
  int offsets[16] = {};
  for (int length = 1; length < 15; ++length) {
    offsets[length + 1] = offsets[length] + code->Counts[length];
  }
  for (int i = 0; i < count; ++i) {
    if (lengths[i] != 0) code->Symbols[offsets[lengths[i]]++] = i;
  }
  return true;
}

int Decode(Bits& bits, const Code& code) {
  int value = 0;
  int first = 0;
  int index = 0;
  for (int length = 1; length < 16; ++length) {
    value |= static_cast<int>(bits.Take(1));
    if (bits.Short) return -1;
    const int count = code.Counts[length];
    if (value - count < first) return code.Symbols[index + (value - first)];
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return -1;
}

constexpr int LengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int LengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int DistanceBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int DistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool Codes(Bits& bits, const Code& lengths, const Code& distances, std::size_t limit,
           std::string* out) {
  while (true) {
    const int symbol = Decode(bits, lengths);
    if (symbol < 0) return false;
    if (symbol < 256) {
      if (out->size() >= limit) return false;
      *out += static_cast<char>(symbol);
      continue;
    }
    if (symbol == 256) return true;
    const int index = symbol - 257;
    if (index >= 29) return false;
    const std::size_t length = LengthBase[index] + bits.Take(LengthExtra[index]);
    const int distanceSymbol = Decode(bits, distances);
    if (distanceSymbol < 0 || distanceSymbol >= 30) return false;
    const std::size_t distance =
        DistanceBase[distanceSymbol] + bits.Take(DistanceExtra[distanceSymbol]);
    if (bits.Short || distance > out->size() || length > limit - out->size()) return false;
    const std::size_t from = out->size() - distance;
    for (std::size_t i = 0; i < length; ++i) *out += (*out)[from + i];
  }
}

bool Dynamic(Bits& bits, std::size_t limit, std::string* out) {
  const int literals = static_cast<int>(bits.Take(5)) + 257;
  const int distances = static_cast<int>(bits.Take(5)) + 1;
  const int lengthCodes = static_cast<int>(bits.Take(4)) + 4;
  if (bits.Short || literals > 286 || distances > 30) return false;
  static constexpr int Order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                    11, 4,  12, 3, 13, 2, 14, 1, 15};
  int lengths[320] = {};
  for (int i = 0; i < lengthCodes; ++i) lengths[Order[i]] = static_cast<int>(bits.Take(3));
  Code lengthCode;
  if (bits.Short || !Build(&lengthCode, lengths, 19)) return false;
  for (int at = 0; at < literals + distances;) {
    const int symbol = Decode(bits, lengthCode);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[at++] = symbol;
      continue;
    }
    int repeated = 0;
    int times = 0;
    if (symbol == 16) {
      if (at == 0) return false;
      repeated = lengths[at - 1];
      times = 3 + static_cast<int>(bits.Take(2));
    } else {
      times =
          symbol == 17 ? 3 + static_cast<int>(bits.Take(3)) : 11 + static_cast<int>(bits.Take(7));
    }
    if (bits.Short || at + times > literals + distances) return false;
    while (times-- > 0) lengths[at++] = repeated;
  }
  if (lengths[256] == 0) return false;
  Code literalCode;
  Code distanceCode;
  return Build(&literalCode, lengths, literals) &&
         Build(&distanceCode, lengths + literals, distances) &&
         Codes(bits, literalCode, distanceCode, limit, out);
}

bool Fixed(Bits& bits, std::size_t limit, std::string* out) {
  static Code literalCode;
  static Code distanceCode;
  static const bool built = [] {
    int lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    Build(&literalCode, lengths, 288);
    for (int i = 0; i < 30; ++i) lengths[i] = 5;
    Build(&distanceCode, lengths, 30);
    return true;
  }();
  return built && Codes(bits, literalCode, distanceCode, limit, out);
}

bool Stored(Bits& bits, std::size_t limit, std::string* out) {
  bits.Buffer = 0;  // the rest of the current byte
  bits.Count = 0;
  if (bits.Data.size() - bits.At < 4) return false;
  const auto byte = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bits.Data[at]));
  };
  const unsigned length = byte(bits.At) | byte(bits.At + 1) << 8;
  const unsigned check = byte(bits.At + 2) | byte(bits.At + 3) << 8;
  bits.At += 4;
  if ((length ^ 0xFFFFu) != check || bits.Data.size() - bits.At < length ||
      length > limit - out->size()) {
    return false;
  }
  out->append(bits.Data, bits.At, length);
  bits.At += length;
  return true;
}

}  // namespace

bool Inflate(const std::string& data, std::size_t limit, std::string* out) {
  out->clear();
  Bits bits{data};
  bool last = false;
  while (!last) {
    last = bits.Take(1) == 1;
    const unsigned type = bits.Take(2);
    if (bits.Short) return false;
    const bool done = type == 0   ? Stored(bits, limit, out)
                      : type == 1 ? Fixed(bits, limit, out)
                      : type == 2 ? Dynamic(bits, limit, out)
                                  : false;
    if (!done) return false;
  }
  return true;
}
