#pragma once

#include <string>
#include <vector>

/// The result of SplitArguments: Count slots, each an owned text or, for the
/// reserved first slot, null. Vector() is null when Count is 0.
struct ArgumentVector {
  int Count = 0;
  std::vector<std::string> Tokens;  // the stored tokens, in order
  std::vector<char*> Slots;         // Count entries; Slots[0] null when reserved
  /// The tokens as they were typed, in UTF-16, when a wide text was split; else empty.
  std::vector<std::u16string> JavaTexts;

  ArgumentVector() = default;
  ArgumentVector(ArgumentVector&&) = default;
  ArgumentVector& operator=(ArgumentVector&&) = default;
  ArgumentVector(const ArgumentVector&) = delete;  // Slots point into Tokens
  ArgumentVector& operator=(const ArgumentVector&) = delete;

  char** Vector() { return Slots.empty() ? nullptr : Slots.data(); }
  /// JavaTexts, parallel to Tokens, or null when there are none.
  const std::u16string* JavaVector() const {
    return JavaTexts.empty() ? nullptr : JavaTexts.data();
  }
};

/// Splits `text` (null counts as empty) into blank-separated arguments. Only the
/// blank separates and only the double quote quotes: a blank inside quotes is kept,
/// and a token that starts with a double quote loses its first and last character.
/// Every blank outside quotes ends a token, so n blanks in a row give n - 1 empty
/// arguments. With `reserveFirst`, slot 0 is a null slot counted in Count.
ArgumentVector SplitArguments(const char* text, bool reserveFirst);

/// Splits a UTF-16 `text` by the same rules. JavaTexts holds the tokens as they are;
/// Tokens holds each one as a launcher text (TextFromUtf16), so that the boundaries
/// are those of the text as typed even where the code page maps a character to a
/// blank or a quote.
ArgumentVector SplitArguments(const char16_t* text, bool reserveFirst);

/// Hands out the next non-empty entry of the writable list `text`, cutting it in
/// place: the delimiter behind the entry is overwritten with a terminator. `cursor`
/// belongs to the caller, is null on the first call and null again after the end.
/// Returns null at the end (or when `text` is null).
char* NextToken(char* text, const char* delimiters, char** cursor);

/// The command line without the program name: leading blanks and tabs skipped, a
/// quoted name ending after its closing quote (or at the end), any other name at the
/// first blank or tab, then blanks and tabs skipped.
const char* SkipProgramName(const char* commandLine);
/// The same for the wide (UTF-16) command line.
const char16_t* SkipProgramName(const char16_t* commandLine);
