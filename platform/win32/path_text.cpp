#include "platform/path_text.h"

#include "platform/text_encoding.h"

std::string PathText(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  return TextFromUtf16(std::u16string(wide.begin(), wide.end()));
}

std::filesystem::path PathFromText(const std::string& text) {
  const std::u16string wide = TextToUtf16(text.c_str());
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
}
