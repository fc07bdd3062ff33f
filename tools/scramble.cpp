#include "tools/scramble.h"

namespace {

// The same key as the launcher's, with its terminating zero as the 17th element.
constexpr char ScrambleKey[] = "R4kWq9Zt2Hb7Xy5N";
constexpr std::size_t ScrambleKeyLength = sizeof ScrambleKey;

}  // namespace

std::string ScrambleText(const std::string& className) {
  static const char digits[] = "0123456789ABCDEF";
  std::string stored;
  for (std::size_t i = 0; i < className.size(); ++i) {
    const unsigned char byte =
        static_cast<unsigned char>(className[i] ^ ScrambleKey[i % ScrambleKeyLength]);
    stored += digits[byte >> 4];
    stored += digits[byte & 0x0F];
  }
  return stored;
}
