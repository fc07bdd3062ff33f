#include "platform/win32/long_path.h"

#include <windows.h>

#include "platform/text_encoding.h"

namespace {

// CreateDirectory's own limit lies 12 characters below MAX_PATH (room for an 8.3 name).
constexpr std::size_t ShortPathLimit = MAX_PATH - 12;

std::wstring Wide(const char* text) {
  const std::u16string wide = TextToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

}  // namespace

std::wstring LongPathForm(const char* path) {
  std::wstring wide = Wide(path);
  if (wide.size() < ShortPathLimit || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  // The prefix turns off the system's own clean-up of the name ('/' for '\\', "." and
  // ".."), so the full path is made first.
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
  if (size == 0 || size >= full.size()) return wide;
  full.resize(size);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string NarrowPath(const wchar_t* path, std::size_t length) {
  return TextFromUtf16(std::u16string(path, path + length));
}
