#include "platform/path_text.h"

std::string PathText(const std::filesystem::path& path) { return path.string(); }

std::filesystem::path PathFromText(const std::string& text) { return text; }
