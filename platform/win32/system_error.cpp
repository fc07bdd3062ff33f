#include "platform/system_error.h"

#include <windows.h>

unsigned long LastSystemError() { return GetLastError(); }

bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size) {
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, static_cast<DWORD>(size),
                     nullptr);
  return length != 0;
}
