#pragma once

#include <cstdio>
#include <string>

/// Writes `text` (in PathText's form: the ANSI code page on Windows) to `stream`,
/// stdout or stderr, so that the user reads it right: on Windows a console gets it as
/// UTF-16, since a console shows bytes in a code page of its own (the OEM one); a file
/// or a pipe, and every stream elsewhere, gets the bytes as they are.
void WriteToolText(std::FILE* stream, const std::string& text);
