#include "tools/make/deflate.h"

#include <vector>

namespace {

constexpr std::size_t Window = 32768;
constexpr std::size_t BlockSize = 65535;  // the most a stored block holds
constexpr std::size_t MinMatch = 3;
constexpr std::size_t MaxMatch = 258;
constexpr int HashBits = 15;
constexpr int MaxChain = 48;

constexpr unsigned short LengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr unsigned char LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr unsigned short DistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr unsigned char DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct BitWriter {
  std::string Out;
  std::uint32_t Bits = 0;
  int Count = 0;

  void Put(std::uint32_t value, int count) {
    Bits |= value << Count;
    Count += count;
    while (Count >= 8) {
      Out.push_back(static_cast<char>(Bits & 0xFF));
      Bits >>= 8;
      Count -= 8;
    }
  }
  // Huffman codes go most significant bit first.
  void PutCode(std::uint32_t code, int count) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < count; ++i) reversed |= ((code >> i) & 1) << (count - 1 - i);
    Put(reversed, count);
  }
  void Align() {
    if (Count > 0) Put(0, 8 - Count);
  }
};

// A literal (Length 0) or a match of Length bytes Distance back.
struct Token {
  std::uint16_t Length;
  std::uint16_t Value;  // the literal byte or the distance
};

int LengthCode(std::size_t length) {
  int code = 28;
  while (LengthBase[code] > length) --code;
  return code;
}

int DistanceCode(std::size_t distance) {
  int code = 29;
  while (DistanceBase[code] > distance) --code;
  return code;
}

int LiteralBits(unsigned symbol) {
  if (symbol < 144) return 8;
  if (symbol < 256) return 9;
  if (symbol < 280) return 7;
  return 8;
}

void PutLiteral(BitWriter* out, unsigned symbol) {
  if (symbol < 144) {
    out->PutCode(0x30 + symbol, 8);
  } else if (symbol < 256) {
    out->PutCode(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    out->PutCode(symbol - 256, 7);
  } else {
    out->PutCode(0xC0 + symbol - 280, 8);
  }
}

std::size_t TokenBits(const Token& token) {
  if (token.Length == 0) return LiteralBits(token.Value);
  const int length = LengthCode(token.Length);
  const int distance = DistanceCode(token.Value);
  return LiteralBits(257 + length) + LengthExtra[length] + 5 + DistanceExtra[distance];
}

class Matcher {
 public:
  explicit Matcher(const std::string& data)
      : data_(reinterpret_cast<const unsigned char*>(data.data())),
        size_(data.size()),
        head_(std::size_t{1} << HashBits, 0),
        previous_(Window, 0) {}

  // The tokens of data_[begin, end), matches reaching back before `begin` as well.
  void Tokens(std::size_t begin, std::size_t end, std::vector<Token>* tokens) {
    tokens->clear();
    std::size_t at = begin;
    while (at < end) {
      std::size_t bestLength = 0;
      std::size_t bestDistance = 0;
      if (at + MinMatch <= size_) {
        const std::size_t limit = std::min(MaxMatch, end - at);
        std::size_t candidate = head_[Hash(at)];
        for (int chain = 0; chain < MaxChain && candidate > 0; ++chain) {
          const std::size_t from = candidate - 1;
          if (at - from > Window) break;
          std::size_t length = 0;
          while (length < limit && data_[from + length] == data_[at + length]) ++length;
          if (length > bestLength) {
            bestLength = length;
            bestDistance = at - from;
            if (length == limit) break;
          }
          const std::size_t next = previous_[from % Window];
          if (next == 0 || next >= candidate) break;
          candidate = next;
        }
      }
      if (bestLength >= MinMatch) {
        tokens->push_back(
            {static_cast<std::uint16_t>(bestLength), static_cast<std::uint16_t>(bestDistance)});
        for (std::size_t i = 0; i < bestLength; ++i) Insert(at + i);
        at += bestLength;
      } else {
        tokens->push_back({0, data_[at]});
        Insert(at);
        ++at;
      }
    }
  }

 private:
  std::size_t Hash(std::size_t at) const {
    const std::uint32_t key = data_[at] | data_[at + 1] << 8 | data_[at + 2] << 16;
    return (key * 2654435761u) >> (32 - HashBits);
  }
  void Insert(std::size_t at) {
    if (at + MinMatch > size_) return;
    const std::size_t hash = Hash(at);
    previous_[at % Window] = head_[hash];
    head_[hash] = at + 1;
  }

  const unsigned char* data_;
  std::size_t size_;
  std::vector<std::size_t> head_;      // the last position + 1 of each hash, 0 for none
  std::vector<std::size_t> previous_;  // the position + 1 before it with the same hash
};

}  // namespace

std::uint32_t Crc32(const char* data, std::size_t size, std::uint32_t crc) {
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::uint32_t> values(256);
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      values[n] = c;
    }
    return values;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
  }
  return ~crc;
}

std::string Deflate(const std::string& data) {
  BitWriter out;
  Matcher matcher(data);
  std::vector<Token> tokens;
  std::size_t begin = 0;
  do {
    const std::size_t end = std::min(data.size(), begin + BlockSize);
    const std::uint32_t last = end == data.size() ? 1 : 0;
    matcher.Tokens(begin, end, &tokens);
    std::size_t fixedBits = 3 + 7;
    for (const Token& token : tokens) fixedBits += TokenBits(token);
    if (fixedBits <= (end - begin) * 8 + 3 + 7 + 32) {
      out.Put(last | 1 << 1, 3);
      for (const Token& token : tokens) {
        if (token.Length == 0) {
          PutLiteral(&out, token.Value);
          continue;
        }
        const int length = LengthCode(token.Length);
        PutLiteral(&out, 257 + length);
        out.Put(token.Length - LengthBase[length], LengthExtra[length]);
        const int distance = DistanceCode(token.Value);
        out.PutCode(distance, 5);
        out.Put(token.Value - DistanceBase[distance], DistanceExtra[distance]);
      }
      PutLiteral(&out, 256);
    } else {
      out.Put(last, 3);
      out.Align();
      const std::size_t size = end - begin;
      out.Put(size & 0xFFFF, 16);
      out.Put(~size & 0xFFFF, 16);
      out.Out.append(data, begin, size);
    }
    begin = end;
  } while (begin < data.size());
  out.Align();
  return out.Out;
}
