// Walks arbitrary lists with arbitrary delimiter sets: every entry handed out must
// lie inside the text, be non-empty and hold no delimiter, and the walk must end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/split_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t delimiterCount = data[0] % 4;
  if (size < 1 + delimiterCount) return 0;
  std::string delimiters(reinterpret_cast<const char*>(data + 1), delimiterCount);
  delimiters = delimiters.c_str();  // a set of characters ends at its first zero
  std::vector<char> text(data + 1 + delimiterCount, data + size);
  text.push_back('\0');
  const std::size_t length = std::strlen(text.data());
  char* cursor = nullptr;
  for (std::size_t steps = 0;; ++steps) {
    if (steps > length + 1) std::abort();  // more entries than characters: no end
    char* entry = NextToken(text.data(), delimiters.c_str(), &cursor);
    if (entry == nullptr) break;
    if (entry < text.data() || entry >= text.data() + length) std::abort();
    if (*entry == '\0' || std::strcspn(entry, delimiters.c_str()) != std::strlen(entry)) {
      std::abort();
    }
  }
  if (cursor != nullptr) std::abort();
  return 0;
}
