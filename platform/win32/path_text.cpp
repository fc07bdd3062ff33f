#include "platform/path_text.h"

#include "platform/text_encoding.h"

std::string PathText(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  return TextFromUtf16(std::u16string(wide.begin(), wide.end()));
}
