// Reads arbitrary bytes as a corvane-make configuration file. A file is accepted or
// refused with an error that names it; what is accepted fits the launcher: every
// entry a text it can hold, every message a format with at most one "%s".
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/config_fields.h"
#include "tools/make/config_file.h"
#include "tools/make/pe/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  MakeConfig config;
  std::string error;
  if (!ParseMakeConfig(text, "fuzz.toml", &config, &error)) {
    if (error.rfind("fuzz.toml:", 0) != 0) std::abort();
    return 0;
  }
  for (const auto& [entry, stored] : config.Entries) {
    const ConfigField* field = nullptr;
    for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
      if (ConfigFields[i].Entry == entry) field = &ConfigFields[i];
    }
    if (field == nullptr || stored.empty() || stored.find('\0') != std::string::npos) std::abort();
    if (WidenUtf8(stored).size() > MaxEntryLength) std::abort();
    if (field->Kind == FieldKind::Message && !IsMessageFormat(stored)) std::abort();
    if (field->Kind == FieldKind::Number) {
      const long long number = std::atoll(stored.c_str());
      if (number < field->Minimum || number > field->Maximum) std::abort();
    }
  }
  if (config.Version.Present && !config.Version.Strings.count("FileVersion")) std::abort();
  return 0;
}
