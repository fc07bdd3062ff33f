#include "tools/rc_string_table.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

bool ParseQuoted(const std::string& line, std::size_t at, std::string* text) {
  if (at >= line.size() || line[at] != '"') return false;
  text->clear();
  for (std::size_t i = at + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        *text += '"';
        ++i;
        continue;
      }
      return true;
    }
    if (c == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      switch (next) {
        case 'n': *text += '\n'; break;
        case 'r': *text += '\r'; break;
        case 't': *text += '\t'; break;
        default: *text += next; break;
      }
      continue;
    }
    *text += c;
  }
  return false;
}

std::string Trimmed(const std::string& line) {
  std::size_t first = 0;
  while (first < line.size() && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
  std::size_t last = line.size();
  while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1]))) --last;
  return line.substr(first, last - first);
}

}  // namespace

bool ReadRcStringTable(const std::string& path, StringEntries* entries, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = path + ": cannot be read";
    return false;
  }
  bool inTable = false;
  bool inBlock = false;
  std::string raw;
  for (int number = 1; std::getline(file, raw); ++number) {
    const std::string line = Trimmed(raw);
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    if (!inTable) {
      inTable = line == "STRINGTABLE";
      continue;
    }
    if (!inBlock) {
      inBlock = line == "BEGIN" || line == "{";
      continue;
    }
    if (line == "END" || line == "}") {
      inTable = inBlock = false;
      continue;
    }
    std::size_t digits = 0;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) ++digits;
    std::size_t at = digits;
    while (at < line.size() && (line[at] == ',' || line[at] == ' ' || line[at] == '\t')) ++at;
    std::string text;
    if (digits == 0 || !ParseQuoted(line, at, &text)) {
      std::ostringstream message;
      message << path << ":" << number << ": not a string-table entry: " << line;
      *error = message.str();
      return false;
    }
    (*entries)[static_cast<unsigned>(std::stoul(line.substr(0, digits)))] = text;
  }
  return true;
}
