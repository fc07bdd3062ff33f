// Expands arbitrary texts and compares the result with a plain model of the same
// rules: names between pairs of '%', %JAVA_HOME% from the registry's Java home, other
// names from the environment, one pass, an unpaired '%' dropped.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hosting/class_path.h"
#include "runtime/runtime_location.h"

namespace {

std::string Model(const std::string& text) {
  std::string result;
  std::string segment;
  bool insideName = false;
  for (char c : text) {
    if (c != '%') {
      segment += c;
      continue;
    }
    if (!insideName) {
      result += segment;
    } else if (segment == "JAVA_HOME") {
      result += RegistryJavaHome;
    } else if (!segment.empty()) {
      const char* value = std::getenv(segment.c_str());
      if (value != nullptr) result += value;
    }
    segment.clear();
    insideName = !insideName;
  }
  return result + segment;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool prepared = [] {
    // Values that themselves hold references must come out unexpanded.
    setenv("A", "%B%", 1);
    setenv("B", "bee", 1);
    setenv("EMPTY", "", 1);
    return true;
  }();
  (void)prepared;
  if (size < 1) return 0;
  // The first byte gives the length of the registry's Java home taken from the input.
  const std::size_t homeLength = std::min<std::size_t>(data[0] % RegistryJavaHomeSize, size - 1);
  std::string home(reinterpret_cast<const char*>(data + 1), homeLength);
  std::strcpy(RegistryJavaHome, home.c_str());
  std::string text(reinterpret_cast<const char*>(data + 1 + homeLength), size - 1 - homeLength);
  text = text.c_str();  // the expansion reads a terminated text

  const std::string expanded = ExpandVariables(text.c_str());
  if (expanded != Model(text)) std::abort();
  if (text.find('%') == std::string::npos && expanded != text) std::abort();
  return 0;
}
