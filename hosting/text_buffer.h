#pragma once

#include <cstddef>
#include <memory>

/// A growable, terminated text. All fields start at zero; `Text` stays null until the
/// first non-empty append and is released with the record.
struct TextBuffer {
  std::unique_ptr<char[]> Text;
  std::size_t Length = 0;    // characters in Text
  std::size_t Capacity = 0;  // bytes allocated for Text
};

/// Appends the first `length` characters of `text` to `buffer`. The first allocation
/// is 1024 bytes, or 4 * length when that is more; when the text no longer fits
/// (terminator included), the array grows by 1024 bytes, by 4 * length, or by its
/// own size, whichever is most. Nothing happens for an empty text.
void AppendText(TextBuffer& buffer, const char* text, std::size_t length);

/// Appends the terminated `text`; nothing happens when it is null or empty.
void AppendText(TextBuffer& buffer, const char* text);

/// Appends one character.
void AppendText(TextBuffer& buffer, char character);
