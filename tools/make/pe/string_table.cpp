#include "tools/make/pe/string_table.h"

std::u16string WidenUtf8(const std::string& text) {
  std::u16string wide;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80           ? 0
                : (lead >> 5) == 0x6  ? 1
                : (lead >> 4) == 0xE  ? 2
                : (lead >> 3) == 0x1E ? 3
                                      : -1;
    char32_t code = extra == 0   ? lead
                    : extra == 1 ? lead & 0x1F
                    : extra == 2 ? lead & 0x0F
                                 : lead & 0x07;
    bool valid = extra >= 0 && i + extra < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      wide += u'\uFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      wide += static_cast<char16_t>(0xD800 + (code >> 10));
      wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<char16_t>(code);
    }
  }
  return wide;
}

std::string EncodeStringBlock(const StringBlock& block) {
  std::string bytes;
  for (const std::u16string& text : block) {
    AppendLe(&bytes, static_cast<std::uint32_t>(text.size()), 2);
    for (char16_t c : text) AppendLe(&bytes, c, 2);
  }
  return bytes;
}

bool DecodeStringBlock(const std::string& bytes, StringBlock* block) {
  std::size_t at = 0;
  for (std::u16string& text : *block) {
    text.clear();
    // Some compilers end a block early once the rest is empty.
    if (at == bytes.size()) continue;
    if (bytes.size() - at < 2) return false;
    const std::size_t length = ReadLe(bytes, at, 2);
    at += 2;
    if (length > (bytes.size() - at) / 2) return false;
    for (std::size_t i = 0; i < length; ++i)
      text += static_cast<char16_t>(ReadLe(bytes, at + 2 * i, 2));
    at += 2 * length;
  }
  return true;
}

bool SetStringEntry(ResourceTree* tree, unsigned entry, const std::u16string& text) {
  ResourceLanguages& languages =
      (*tree)[ResourceKey(ResourceTypeString)][ResourceKey(entry / 16 + 1)];
  if (languages.empty()) languages[0] = ResourceData{EncodeStringBlock(StringBlock()), 0};
  for (auto& [language, data] : languages) {
    StringBlock block;
    if (!DecodeStringBlock(data.Bytes, &block)) return false;
    block[entry % 16] = text;
    data.Bytes = EncodeStringBlock(block);
  }
  return true;
}
