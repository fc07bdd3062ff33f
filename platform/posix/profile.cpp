#include "platform/profile.h"

#include <strings.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Reads an INI file the way Windows reads profile files: section and key names
// compared without regard to case, blanks around names and values dropped, and one
// pair of enclosing quotes removed from a value.
bool FindProfileValue(const char* section, const char* key, const char* path, std::string* value) {
  std::ifstream file(path);
  if (!file) return false;
  bool inSection = false;
  std::string line;
  while (std::getline(file, line)) {
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
      const auto close = trimmed.find(']');
      const std::string name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inSection = strcasecmp(name.c_str(), section) == 0;
      continue;
    }
    if (!inSection) continue;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) continue;
    if (strcasecmp(Trim(trimmed.substr(0, equals)).c_str(), key) != 0) continue;
    std::string found = Trim(trimmed.substr(equals + 1));
    if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') &&
        found.back() == found.front()) {
      found = found.substr(1, found.size() - 2);
    }
    *value = found;
    return true;
  }
  return false;
}

}  // namespace

std::size_t ReadProfileString(const char* section, const char* key, const char* fallback,
                              char* buffer, std::size_t size, const char* path) {
  if (size == 0) return 0;
  std::string value;
  if (!FindProfileValue(section, key, path, &value)) value = fallback != nullptr ? fallback : "";
  const std::size_t length = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), length);
  buffer[length] = '\0';
  return length;
}
