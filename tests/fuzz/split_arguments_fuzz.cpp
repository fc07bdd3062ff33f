// Splits arbitrary text and checks the splitter's own promises: the slot count, the
// reserved null slot, and that no token is longer than the text it came from.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher/split_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool reserve : {false, true}) {
    ArgumentVector split = SplitArguments(text.c_str(), reserve);
    if (split.Count != static_cast<int>(split.Slots.size())) std::abort();
    if (split.Count == 0 && split.Vector() != nullptr) std::abort();
    if (reserve && (split.Count < 1 || split.Vector()[0] != nullptr)) std::abort();
    for (int i = reserve ? 1 : 0; i < split.Count; ++i) {
      if (std::strlen(split.Vector()[i]) > std::strlen(text.c_str())) std::abort();
    }
  }
  return 0;
}
