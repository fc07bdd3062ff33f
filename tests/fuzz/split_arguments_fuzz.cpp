// Splits arbitrary text and checks the splitter's own promises: the slot count, the
// reserved null slot, and that no token is longer than the text it came from. The
// same text decoded to UTF-16 is well-formed and splits into as many tokens, equal
// when no quote cuts them, and never into half a surrogate pair.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/split_arguments.h"
#include "platform/text_encoding.h"

namespace {

bool WellFormed(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    if (low) return false;
    if (high && (++i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t length = std::strlen(text.c_str());
  for (bool reserve : {false, true}) {
    ArgumentVector split = SplitArguments(text.c_str(), reserve);
    if (split.Count != static_cast<int>(split.Slots.size())) std::abort();
    if (split.Count == 0 && split.Vector() != nullptr) std::abort();
    if (reserve && (split.Count < 1 || split.Vector()[0] != nullptr)) std::abort();
    for (int i = reserve ? 1 : 0; i < split.Count; ++i) {
      if (std::strlen(split.Vector()[i]) > length) std::abort();
    }
  }

  const std::u16string wide = TextToUtf16(text.c_str());
  if (!WellFormed(wide)) std::abort();
  const std::string clean = TextFromUtf16(wide);
  ArgumentVector narrow = SplitArguments(clean.c_str(), false);
  ArgumentVector split = SplitArguments(wide.c_str(), false);
  if (split.Count != narrow.Count || split.JavaTexts.size() != split.Tokens.size()) std::abort();
  for (std::size_t i = 0; i < split.JavaTexts.size(); ++i) {
    if (!WellFormed(split.JavaTexts[i])) std::abort();
    if (split.Tokens[i] != TextFromUtf16(split.JavaTexts[i])) std::abort();
    // Without a quote nothing is cut, and both splits give the same texts.
    if (clean.find('"') == std::string::npos && split.Tokens[i] != narrow.Tokens[i]) {
      std::abort();
    }
  }
  return 0;
}
