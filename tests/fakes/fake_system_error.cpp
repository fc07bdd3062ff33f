#include <cstdio>

#include "platform/system_error.h"
#include "tests/fakes/recorded_reports.h"

FakeSystemErrorState FakeSystemError;

unsigned long LastSystemError() { return FakeSystemError.Code; }

bool DescribeSystemError(unsigned long, char* buffer, std::size_t size, const char*) {
  if (!FakeSystemError.HasText) return false;
  std::snprintf(buffer, size, "%s", FakeSystemError.Text.c_str());
  return true;
}
