#include "platform/win32/long_path.h"

#include <windows.h>

#include "platform/text_encoding.h"

namespace {

// CreateDirectory's own limit lies 12 characters below MAX_PATH (room for an 8.3 name).
constexpr std::size_t ShortPathLimit = MAX_PATH - 12;

}  // namespace

std::u16string LongPathForm(const char* path) {
  std::u16string wide = TextToUtf16(path);
  if (wide.size() < ShortPathLimit || wide.rfind(u"\\\\?\\", 0) == 0) return wide;
  // The prefix turns off the system's own clean-up of the name ('/' for '\\', "." and
  // ".."), so the full path is made first.
  DWORD size = GetFullPathNameW(Wide(wide), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::u16string full(size, u'\0');
  size = GetFullPathNameW(Wide(wide), size, Wide(full), nullptr);
  if (size == 0 || size >= full.size()) return wide;
  full.resize(size);
  if (full.rfind(u"\\\\", 0) == 0) return u"\\\\?\\UNC\\" + full.substr(2);
  return u"\\\\?\\" + full;
}

std::string NarrowPath(const wchar_t* path, std::size_t length) {
  return TextFromUtf16(std::u16string(path, path + length));
}
