#include "tools/make/config_path.h"

#include <filesystem>

#include "platform/path_text.h"

std::string ConfigRelativePath(const std::string& configPath, const std::string& text) {
  // A TOML file is UTF-8, while the command line's paths come in the ANSI code page on
  // Windows: each is read as what it is before the two are joined.
  return PathText(PathFromText(configPath).parent_path() / std::filesystem::u8path(text));
}
