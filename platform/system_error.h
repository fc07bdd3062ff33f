#pragma once

#include <cstddef>

/// The calling thread's last system error code (GetLastError, errno elsewhere).
unsigned long LastSystemError();

/// The system's own text for `code` (FormatMessageA, inserts not expanded) copied
/// into `buffer` of `size` characters. False when the system has no text for it.
bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size);
