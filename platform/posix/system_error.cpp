#include "platform/system_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

unsigned long LastSystemError() { return static_cast<unsigned long>(errno); }

bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size) {
  std::snprintf(buffer, size, "%s", std::strerror(static_cast<int>(code)));
  return true;
}
