#include "hosting/java_options.h"

#include <gtest/gtest.h>

namespace {

using Options = std::vector<std::string>;

TEST(JavaOptionsFromText, JoinsTheWordBehindJavasTwoWordOptions) {
  const struct {
    const char* Text;
    Options Expected;
  } cases[] = {
      {"--add-opens java.base/java.lang=ALL-UNNAMED -Xmx1g",
       {"--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xmx1g"}},
      {"--add-opens=java.base/java.lang=ALL-UNNAMED",
       {"--add-opens=java.base/java.lang=ALL-UNNAMED"}},
      {"--add-exports a/b=c --add-reads a=b --add-modules x,y --limit-modules x",
       {"--add-exports=a/b=c", "--add-reads=a=b", "--add-modules=x,y", "--limit-modules=x"}},
      {"-p mods --module-path \"my mods\" --upgrade-module-path up",
       {"--module-path=mods", "--module-path=my mods", "--upgrade-module-path=up"}},
      {"--patch-module m=p.jar --enable-native-access ALL-UNNAMED",
       {"--patch-module=m=p.jar", "--enable-native-access=ALL-UNNAMED"}},
      // One word each: not java's two-word options, and one at the end without its word.
      {"-cp x -Dp=1 --add-opens", {"-cp", "x", "-Dp=1", "--add-opens"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(JavaOptionsFromText(c.Text), c.Expected) << c.Text;
}

TEST(LooksLikeJavaOption, TakesDashesReferencesAndEmptyWords) {
  for (const char* token : {"-Xmx1g", "--add-opens=a", "%JAVA_OPTS%", ""}) {
    EXPECT_TRUE(LooksLikeJavaOption(token)) << token;
  }
  for (const char* token : {"java.base/java.lang=ALL-UNNAMED", "Xmx1g", "\"-D\""}) {
    EXPECT_FALSE(LooksLikeJavaOption(token)) << token;
  }
}

}  // namespace
