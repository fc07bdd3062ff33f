#include "core/launch_config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/temp_directory.h"
#include "tools/scramble.h"

// The test program's own string table (tests/unit_strings.rc) is read here through the
// real platform layer: LoadStringA on Windows, the appended table on Linux.

TEST(LoadConfigString, TreatsExactNullMarkerAndAbsentEntriesAsEmpty) {
  EXPECT_EQ(LoadConfigString(2000), "");
  EXPECT_EQ(LoadConfigString(2016), "<NULL>");
  EXPECT_EQ(LoadConfigString(2032), "<null> ");
  EXPECT_EQ(LoadConfigString(2144), "");  // absent
  EXPECT_EQ(LoadConfigString(2240), "50% of C:\\dir");
}

TEST(LoadConfigString, CutsLongEntriesTo1023Characters) {
  EXPECT_EQ(LoadConfigString(2224), std::string(1023, 'x'));
}

TEST(LoadConfigFlag, OnlyALeadingZeroClears) {
  EXPECT_FALSE(LoadConfigFlag(2048));  // "0"
  EXPECT_FALSE(LoadConfigFlag(2064));  // "00"
  EXPECT_FALSE(LoadConfigFlag(2080));  // "0x"
  EXPECT_TRUE(LoadConfigFlag(2096));   // "1"
  EXPECT_TRUE(LoadConfigFlag(2112));   // "yes"
  EXPECT_TRUE(LoadConfigFlag(2128));   // "no"
  EXPECT_TRUE(LoadConfigFlag(2144));   // absent
  EXPECT_TRUE(LoadConfigFlag(2160));   // "<null>"
}

TEST(LoadConfigNumber, ReadsLeadingDigitsLikeAtoi) {
  EXPECT_EQ(LoadConfigNumber(2176), 42);   // "42abc"
  EXPECT_EQ(LoadConfigNumber(2192), 0);    // "abc"
  EXPECT_EQ(LoadConfigNumber(2208), -17);  // "  -17"
  EXPECT_EQ(LoadConfigNumber(2144), 0);    // absent
}

TEST(ParseJniVersion, ReadsHexadecimalWithOrWithoutPrefix) {
  EXPECT_EQ(ParseJniVersion("0x00010004"), 0x00010004);
  EXPECT_EQ(ParseJniVersion("10002"), 0x00010002);
  EXPECT_EQ(ParseJniVersion(""), 0);
  EXPECT_EQ(ParseJniVersion("zz"), 0);
}

TEST(UnscrambleText, InvertsTheScramblerForUpperCaseDigits) {
  for (const char* name : {"org.quillmark.Quillmark", "a", "exactly.seventeen",
                           "a.name.longer.than.the.seventeen.byte.key.Main"}) {
    EXPECT_STREQ(UnscrambleText(ScrambleText(name).c_str()), name);
  }
}

TEST(UnscrambleText, LeavesEverySeventeenthByteAsItIs) {
  // 18 zero bytes: the key shows through, except at index 16 where the key's own
  // terminator is the XOR partner.
  const char* result = UnscrambleText(std::string(36, '0').c_str());
  EXPECT_EQ(std::memcmp(result, "R4kWq9Zt2Hb7Xy5N", 16), 0);
  EXPECT_EQ(result[16], '\0');
  EXPECT_EQ(result[17], 'R');
}

TEST(UnscrambleText, LowerCaseDigitsCountOnlyInTheFirstPlace) {
  const unsigned char upper = static_cast<unsigned char>(UnscrambleText("4A")[0]);
  EXPECT_EQ(static_cast<unsigned char>(UnscrambleText("aA")[0]),
            static_cast<unsigned char>(UnscrambleText("AA")[0]));
  // 'a' is worth 42 instead of 10 in the second place: the byte is 32 higher
  // before the XOR ('R' has no bit of value 32, so after it as well).
  EXPECT_EQ(upper, 0x4A ^ 'R');
  EXPECT_EQ(static_cast<unsigned char>(UnscrambleText("4a")[0]), (0x4A + 32) ^ 'R');
}

TEST(UnscrambleText, PairsAnOddLastDigitWithTheTerminatorWithoutXor) {
  const char* result = UnscrambleText("414");
  EXPECT_EQ(static_cast<unsigned char>(result[0]), 0x41 ^ 'R');
  EXPECT_EQ(static_cast<unsigned char>(result[1]), (4 * 16 - 55) & 0xFF);
  EXPECT_EQ(result[2], '\0');
}

TEST(UnscrambleText, DecodesAnyCharacterWithoutOverrun) {
  EXPECT_EQ(static_cast<unsigned char>(UnscrambleText("ZZ")[0]), ((35 * 16 + 35) & 0xFF) ^ 'R');
  EXPECT_EQ(static_cast<unsigned char>(UnscrambleText("\xFF\xFF")[0]),
            ((-56 * 16 - 56) & 0xFF) ^ 'R');
  EXPECT_STREQ(UnscrambleText(""), "");
}

TEST(UnscrambleText, CutsANameLongerThan255Characters) {
  const std::string name(300, 'q');
  const std::string stored = ScrambleText(name);
  ASSERT_EQ(stored.size(), 600u);
  EXPECT_EQ(std::string(UnscrambleText(stored.c_str())), name.substr(0, 255));
}

class LoadLaunchConfigTest : public ::testing::Test {
 protected:
  ScopedTempDirectory directory_{"config"};
};

TEST_F(LoadLaunchConfigTest, FillsEveryKindOfField) {
  LoadLaunchConfig();
  const LaunchConfigRecord& c = LaunchConfig;
  EXPECT_EQ(c.MainClass, "com/example/app/Main");
  EXPECT_EQ(c.RuntimeLibrary, "runtime\\jvm.dll;other\\jvm.dll");
  EXPECT_EQ(c.JvmOptions, "-Dfrom=table");
  EXPECT_EQ(c.AppOptions, "from table");
  EXPECT_EQ(c.RuntimeSearchMode, 6);
  EXPECT_EQ(c.SplashSeconds, 5);
  EXPECT_EQ(c.JniVersionText, "0x00010004");
  EXPECT_EQ(c.JniVersion, 65540);
  EXPECT_FALSE(c.ReturnToStartDirectory);    // "0"
  EXPECT_TRUE(c.WorkingDirectoryBeforeJvm);  // "<null>"
  EXPECT_FALSE(c.ManualServiceStart);        // "0abc"
  EXPECT_TRUE(c.AllowMultipleInstances);     // "yes"
  EXPECT_FALSE(c.SplashUntilWindow);         // "0"
  EXPECT_TRUE(c.StopServiceByExit);          // absent
  EXPECT_EQ(c.WorkingDirectory, "");         // absent
  EXPECT_EQ(c.ServiceName, "TestService");
  EXPECT_EQ(c.MsgFileAccess, "File access: %s");
  EXPECT_EQ(c.MsgNoRuntime, "");
  EXPECT_EQ(c.RuntimeDownloadUrl, "https://example.org/java");
  EXPECT_EQ(c.ServiceRestartSeconds, 0);                       // absent
  EXPECT_FALSE(c.ServiceDelayedStart);                         // "<null>": a new flag is off
  EXPECT_EQ(c.ServiceStopTimeout, DefaultServiceStopTimeout);  // "-5"
}

TEST_F(LoadLaunchConfigTest, IniFileOverridesBothOptionTexts) {
  directory_.Write("corvane-test.ini",
                   "[Application Configuration]\nJvmOptions=-Xmx64m -Dfrom=ini\nAppOptions=one two\n");
  LoadLaunchConfig();
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Xmx64m -Dfrom=ini");
  EXPECT_EQ(LaunchConfig.AppOptions, "one two");
}

TEST_F(LoadLaunchConfigTest, EmptyIniValueKeepsTheConfiguredText) {
  directory_.Write("corvane-test.ini", "[Application Configuration]\nJvmOptions=\nAppOptions=x\n");
  LoadLaunchConfig();
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dfrom=table");
  EXPECT_EQ(LaunchConfig.AppOptions, "x");
}

TEST_F(LoadLaunchConfigTest, IniFileElsewhereIsNotUsed) {
  directory_.Write("other/corvane-test.ini", "[Application Configuration]\nAppOptions=elsewhere\n");
  LoadLaunchConfig();
  EXPECT_EQ(LaunchConfig.AppOptions, "from table");
}

TEST_F(LoadLaunchConfigTest, IniKeysOfAnotherSectionAreIgnored) {
  directory_.Write("corvane-test.ini", "[Other]\nAppOptions=wrong\n");
  LoadLaunchConfig();
  EXPECT_EQ(LaunchConfig.AppOptions, "from table");
}

TEST_F(LoadLaunchConfigTest, IniPathTooLongForItsBufferOverridesNothing) {
  // Current directory plus separator plus the INI name past 271 characters. Windows
  // cannot open such a path at all; elsewhere the file opens and the join must refuse.
  std::filesystem::path deep = directory_.path();
  while (deep.string().size() < 256) {
    const std::size_t room = 258 - deep.string().size();
    deep /= std::string(room < 100 ? room : 100, 'd');
  }
  std::error_code error;
  std::filesystem::create_directories(deep, error);
  std::filesystem::current_path(deep, error);
  if (error) GTEST_SKIP() << "the system refuses a current directory of this length";
  std::ofstream("corvane-test.ini") << "[Application Configuration]\nAppOptions=too far\n";
  LoadLaunchConfig();
  EXPECT_EQ(LaunchConfig.AppOptions, "from table");
}
