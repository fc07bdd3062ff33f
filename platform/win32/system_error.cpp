#include "platform/system_error.h"

#include <windows.h>

#include <cctype>
#include <cstdio>

#include "platform/win32/system_error_text.h"

namespace {

// Where an insert ends that starts at text[at] with '%' and a digit: behind its
// number and its "!format!".
std::size_t InsertEnd(const std::string& text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  if (end < text.size() && text[end] == '!') {
    const std::size_t close = text.find('!', end + 1);
    if (close != std::string::npos) end = close + 1;
  }
  return end;
}

}  // namespace

std::string SystemErrorText(unsigned long code, const char* subject) {
  // The inserts are ignored when the text is made, since the system would read
  // arguments for them that no caller passes, and filled here.
  char buffer[4096];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  const std::string raw(buffer, length);
  const std::string filler = subject != nullptr ? subject : "the file";
  std::string text;
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] == '%' && i + 1 < raw.size() && raw[i + 1] >= '1' && raw[i + 1] <= '9') {
      text += filler;
      i = InsertEnd(raw, i + 1);
    } else {
      text += raw[i++];
    }
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

unsigned long LastSystemError() { return GetLastError(); }

bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size, const char* subject) {
  const std::string text = SystemErrorText(code, subject);
  if (text.empty()) return false;
  std::snprintf(buffer, size, "%s", text.c_str());
  return true;
}
