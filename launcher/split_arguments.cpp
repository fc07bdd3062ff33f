#include "launcher/split_arguments.h"

#include <cstring>

namespace {

const char* SkipLeadingBlanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

// Walks the text once with the splitting rules and calls `store(start, length)` for
// every token, so that counting and filling can never disagree.
template <typename Store>
void WalkTokens(const char* text, Store store) {
  const char* p = SkipLeadingBlanks(text);
  if (*p == '\0' && p == text) return;
  const char* start = p;
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

}  // namespace

ArgumentVector SplitArguments(const char* text, bool reserveFirst) {
  ArgumentVector result;
  if (text == nullptr) text = "";
  int tokens = 0;
  WalkTokens(text, [&tokens](const char*, size_t) { ++tokens; });
  result.Count = tokens + (reserveFirst ? 1 : 0);
  if (result.Count == 0) return result;

  result.Tokens.reserve(tokens);
  WalkTokens(text, [&result](const char* start, size_t length) {
    if (start[0] == '"') {
      // Drop the first and the last character, whatever the last one is; a token
      // that is a lone quote becomes empty.
      result.Tokens.emplace_back(length >= 2 ? std::string(start + 1, length - 2)
                                             : std::string());
    } else {
      result.Tokens.emplace_back(start, length);
    }
  });
  result.Slots.reserve(result.Count);
  if (reserveFirst) result.Slots.push_back(nullptr);
  for (std::string& token : result.Tokens) result.Slots.push_back(token.data());
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
