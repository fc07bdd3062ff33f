// Unscrambles arbitrary stored texts: the result always fits its 256-byte buffer,
// and a scrambled name of up to 255 characters always comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/launch_config.h"
#include "tools/scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (std::strlen(UnscrambleText(text.c_str())) > 255) std::abort();

  std::string name = text.c_str();
  if (name.size() > 255) name.resize(255);
  const std::string stored = ScrambleText(name);
  const char* back = UnscrambleText(stored.c_str());
  if (std::strcmp(back, name.c_str()) != 0) std::abort();
  return 0;
}
