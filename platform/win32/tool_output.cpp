#include "platform/tool_output.h"

#include <io.h>
#include <windows.h>

#include "platform/text_encoding.h"

void WriteToolText(std::FILE* stream, const std::string& text) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    std::fputs(text.c_str(), stream);
    return;
  }
  std::fflush(stream);
  const std::u16string wide = TextToUtf16(text.c_str());
  DWORD written;
  WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
