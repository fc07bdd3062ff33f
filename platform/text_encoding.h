#pragma once

#include <string>

/// The UTF-16 form of a launcher text, as Java holds it. Windows reads the text in
/// the process's ANSI code page, as the system's own "A" functions do. Elsewhere the
/// text is UTF-8, and every ill-formed part (a stray or missing continuation byte, an
/// overlong form, a surrogate, a value beyond U+10FFFF) becomes one U+FFFD: nothing
/// is dropped. Null counts as empty.
std::u16string TextToUtf16(const char* text);

/// The launcher text of UTF-16 `text`. Windows writes it in the process's ANSI code
/// page as the system's own "A" functions do, so a character the code page lacks
/// becomes its nearest match or '?'. Elsewhere it is UTF-8, with U+FFFD for a lone
/// surrogate.
std::string TextFromUtf16(const std::u16string& text);
