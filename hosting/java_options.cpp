#include "hosting/java_options.h"

#include <cstring>

#include "core/split_arguments.h"

namespace {

// java's options whose value may follow as the next word, and the name the machine
// reads them under ("name=value").
struct TwoWordOption {
  const char* Written;
  const char* Joined;
};

constexpr TwoWordOption TwoWordOptions[] = {
    {"--add-opens", "--add-opens"},
    {"--add-exports", "--add-exports"},
    {"--add-reads", "--add-reads"},
    {"--add-modules", "--add-modules"},
    {"--module-path", "--module-path"},
    {"-p", "--module-path"},
    {"--upgrade-module-path", "--upgrade-module-path"},
    {"--patch-module", "--patch-module"},
    {"--limit-modules", "--limit-modules"},
    {"--enable-native-access", "--enable-native-access"},
};

const char* JoinedName(const std::string& token) {
  for (const TwoWordOption& option : TwoWordOptions) {
    if (token == option.Written) return option.Joined;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> JavaOptionsFromText(const char* text) {
  ArgumentVector split = SplitArguments(text, false);
  std::vector<std::string> options;
  options.reserve(split.Tokens.size());
  for (std::size_t i = 0; i < split.Tokens.size(); ++i) {
    const char* joined = JoinedName(split.Tokens[i]);
    if (joined != nullptr && i + 1 < split.Tokens.size()) {
      options.push_back(std::string(joined) + "=" + split.Tokens[++i]);
    } else {
      options.push_back(std::move(split.Tokens[i]));
    }
  }
  return options;
}

bool LooksLikeJavaOption(const std::string& token) {
  return token.empty() || token[0] == '-' || token[0] == '%';
}
