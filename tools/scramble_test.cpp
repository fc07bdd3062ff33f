#include "tools/scramble.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/launch_config.h"

TEST(ScrambleText, WritesUpperCaseDigitPairsXoredWithTheKey) {
  EXPECT_EQ(ScrambleText("A"), "13");  // 'A' ^ 'R'
  EXPECT_EQ(ScrambleText(""), "");
  // The 17th byte is paired with the key's terminator and stays as it is.
  EXPECT_EQ(ScrambleText(std::string(17, '\0')).substr(32), "00");
}

TEST(ScrambleText, ShippedMainClassIsTheSampleApplication) {
  std::ifstream rc(CORVANE_SOURCE_DIR "/resources/corvane.rc");
  ASSERT_TRUE(rc) << "resources/corvane.rc not found";
  std::string line;
  std::string stored;
  while (std::getline(rc, line)) {
    const auto at = line.find("1168, \"");
    if (at != std::string::npos) stored = line.substr(at + 7, line.rfind('"') - at - 7);
  }
  EXPECT_EQ(stored, ScrambleText("org.quillmark.Quillmark"));
  EXPECT_STREQ(UnscrambleText(stored.c_str()), "org.quillmark.Quillmark");
}
