#pragma once

#include <cstddef>

/// The calling thread's last system error code (GetLastError, errno elsewhere).
unsigned long LastSystemError();

/// The system's own text for `code` copied into `buffer` of `size` characters, its
/// inserts ("%1" in "%1 is not a valid Win32 application.") filled with `subject`, the
/// file or step the error is about (with "the file" when null): no insert reaches a
/// user. False when the system has no text for the code.
bool DescribeSystemError(unsigned long code, char* buffer, std::size_t size,
                         const char* subject = nullptr);
