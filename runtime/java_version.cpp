#include "runtime/java_version.h"

#include <cstring>

namespace {

bool IsVersionSeparator(char c) { return c == '.' || c == '_' || c == '+' || c == '-'; }

// Reads one element of decimal digits up to the next separator or the end. False when
// the element holds anything else or does not fit 32 bits.
bool ReadNumber(const char*& p, unsigned* number) {
  const char* start = p;
  unsigned long long value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > 0xFFFFFFFFull) return false;
    ++p;
  }
  if (p == start || (*p != '\0' && !IsVersionSeparator(*p))) return false;
  *number = static_cast<unsigned>(value);
  return true;
}

}  // namespace

bool ParseJavaVersion(const char* text, JavaVersion* version) {
  *version = JavaVersion();
  const char* p = text;
  while (version->Count < JavaVersion::MaxParts) {
    unsigned number = 0;
    if (!ReadNumber(p, &number)) break;
    version->Parts[version->Count++] = number;
    if (*p == '\0') break;
    ++p;
  }
  // 1.8.0_392 is Java 8; 1.1 and 1.0 keep their numbers.
  if (version->Count >= 2 && version->Parts[0] == 1 && version->Parts[1] >= 2) {
    std::memmove(version->Parts, version->Parts + 1, (version->Count - 1) * sizeof(unsigned));
    version->Parts[--version->Count] = 0;
  }
  return version->Count > 0;
}

int CompareJavaVersions(const JavaVersion& a, const JavaVersion& b) {
  const int count = a.Count > b.Count ? a.Count : b.Count;
  for (int i = 0; i < count; ++i) {
    const unsigned left = i < a.Count ? a.Parts[i] : 0;
    const unsigned right = i < b.Count ? b.Parts[i] : 0;
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

bool WithinVersionBound(const JavaVersion& version, const JavaVersion& bound) {
  JavaVersion prefix = version;
  if (prefix.Count > bound.Count) prefix.Count = bound.Count;
  return CompareJavaVersions(prefix, bound) <= 0;
}

std::string FormatJavaVersion(const JavaVersion& version) {
  if (version.Count == 0) return "unknown";
  std::string text;
  for (int i = 0; i < version.Count; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(version.Parts[i]);
  }
  return text;
}
