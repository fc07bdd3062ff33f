#include "platform/text_encoding.h"

#include <windows.h>

// CP_ACP is the process code page: the system's, or UTF-8 when the executable's
// manifest asks for it. Without MB_ERR_INVALID_CHARS neither conversion fails on any
// input; a byte or character without a match becomes the code page's default.
std::u16string TextToUtf16(const char* text) {
  if (text == nullptr || *text == '\0') return std::u16string();
  const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (size <= 1) return std::u16string();
  std::u16string wide(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(&wide[0]), size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return wide;
}

std::string TextFromUtf16(const std::u16string& text) {
  if (text.empty()) return std::string();
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, &narrow[0], size, nullptr, nullptr);
  return narrow;
}
