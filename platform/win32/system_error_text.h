#pragma once

#include <string>

/// The system's text for `code` (FormatMessageA, its inserts taken as they stand and
/// then each "%1" to "%99", with or without a "!format!", replaced by `subject`), without
/// its trailing line break and blanks. Empty when the system has no text for the code.
std::string SystemErrorText(unsigned long code, const char* subject);
