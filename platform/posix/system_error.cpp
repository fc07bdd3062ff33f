#include "platform/system_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

unsigned long LastSystemError() { return static_cast<unsigned long>(errno); }

// strerror's texts have no inserts.
bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size, const char*) {
  std::snprintf(buffer, size, "%s", std::strerror(static_cast<int>(code)));
  return true;
}
