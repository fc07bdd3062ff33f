#include "core/split_arguments.h"

#include <cstring>

#include "platform/text_encoding.h"

namespace {

template <typename Char>
const Char* SkipLeadingBlanks(const Char* p) {
  while (*p == ' ') ++p;
  return p;
}

// Walks the text once with the splitting rules and calls `store(start, length)` for
// every token, so that counting and filling can never disagree.
template <typename Char, typename Store>
void WalkTokens(const Char* text, Store store) {
  const Char* p = SkipLeadingBlanks(text);
  if (*p == '\0' && p == text) return;
  const Char* start = p;
  bool inQuote = false;
  bool lastWasBlank = false;
  for (; *p != '\0'; ++p) {
    if (*p == ' ') {
      lastWasBlank = true;
      if (!inQuote) {
        store(start, static_cast<size_t>(p - start));
        start = p + 1;
      }
    } else {
      lastWasBlank = false;
      if (*p == '"') inQuote = !inQuote;
    }
  }
  if (!lastWasBlank) store(start, static_cast<size_t>(p - start));
}

// The length of the last character of a token: one unit, or in UTF-16 two for a
// surrogate pair, which is never cut in half.
std::size_t LastCharacterLength(const char*, std::size_t) { return 1; }

std::size_t LastCharacterLength(const char16_t* start, std::size_t length) {
  const bool pair = length >= 3 && start[length - 1] >= 0xDC00 && start[length - 1] <= 0xDFFF &&
                    start[length - 2] >= 0xD800 && start[length - 2] <= 0xDBFF;
  return pair ? 2 : 1;
}

// The tokens of `text`, each without its first and last character when it starts
// with a quote.
template <typename Char>
std::vector<std::basic_string<Char>> SplitTokens(const Char* text) {
  std::vector<std::basic_string<Char>> tokens;
  std::size_t count = 0;
  WalkTokens(text, [&count](const Char*, size_t) { ++count; });
  tokens.reserve(count);
  WalkTokens(text, [&tokens](const Char* start, size_t length) {
    if (start[0] == '"') {
      // Drop the first and the last character, whatever the last one is; a token
      // that is a lone quote becomes empty.
      const std::size_t cut = 1 + LastCharacterLength(start, length);
      tokens.emplace_back(length >= cut ? std::basic_string<Char>(start + 1, length - cut)
                                        : std::basic_string<Char>());
    } else {
      tokens.emplace_back(start, length);
    }
  });
  return tokens;
}

ArgumentVector MakeArgumentVector(std::vector<std::string> tokens, bool reserveFirst) {
  ArgumentVector result;
  result.Count = static_cast<int>(tokens.size()) + (reserveFirst ? 1 : 0);
  if (result.Count == 0) return result;
  result.Tokens = std::move(tokens);
  result.Slots.reserve(result.Count);
  if (reserveFirst) result.Slots.push_back(nullptr);
  for (std::string& token : result.Tokens) result.Slots.push_back(token.data());
  return result;
}

template <typename Char>
const Char* SkipName(const Char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace

ArgumentVector SplitArguments(const char* text, bool reserveFirst) {
  return MakeArgumentVector(SplitTokens(text == nullptr ? "" : text), reserveFirst);
}

ArgumentVector SplitArguments(const char16_t* text, bool reserveFirst) {
  std::vector<std::u16string> wide = SplitTokens(text == nullptr ? u"" : text);
  std::vector<std::string> tokens;
  tokens.reserve(wide.size());
  for (const std::u16string& token : wide) tokens.push_back(TextFromUtf16(token));
  ArgumentVector result = MakeArgumentVector(std::move(tokens), reserveFirst);
  result.JavaTexts = std::move(wide);
  return result;
}

char* NextToken(char* text, const char* delimiters, char** cursor) {
  if (text == nullptr || (*cursor != nullptr && **cursor == '\0')) {
    *cursor = nullptr;
    return nullptr;
  }
  char* start = *cursor != nullptr ? *cursor : text;
  start += std::strspn(start, delimiters);
  if (*start == '\0') {
    *cursor = nullptr;
    return nullptr;
  }
  char* end = start + std::strcspn(start, delimiters);
  if (*end != '\0') {
    *end = '\0';
    *cursor = end + 1;
  } else {
    *cursor = end;
  }
  return start;
}

const char* SkipProgramName(const char* commandLine) { return SkipName(commandLine); }

const char16_t* SkipProgramName(const char16_t* commandLine) { return SkipName(commandLine); }
