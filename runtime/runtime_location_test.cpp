#include "runtime/runtime_location.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/current_directory.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

// The composed paths join with a backslash, as on Windows. Elsewhere such a path is a
// single file name with backslashes in it, which ScopedTempDirectory::Write creates as
// it stands, so the same names work on both.

namespace {

const char* const Jre = "Software\\JavaSoft\\Java Runtime Environment";
const char* const IbmJre = "Software\\IBM\\Java2 Runtime Environment";
const char* const Jdk = "Software\\JavaSoft\\Java Development Kit";
const char* const IbmJdk = "Software\\IBM\\Java Development Kit";
const char* const NoRuntime = "Unable to locate suitable Java Runtime Environment on this machine.";

class RuntimeLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    FakeRegistry = FakeRegistryState();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.JniVersion = 0x00010004;
    LaunchConfig.MsgNoRuntime = NoRuntime;
    std::memset(RegistryJavaHome, 0, sizeof RegistryJavaHome);
  }
  void TearDown() override {
    EXPECT_EQ(FakeRegistry.OpenKeys, 0) << "a registry key was left open";
  }

  void Touch(const std::string& path) { temp_.Write(path, "library"); }
  void Remove(const std::string& path) { std::filesystem::remove(temp_.path() / path); }

  // Registers `version` below `key`; empty texts leave the value out.
  void AddVersion(const std::string& key, const std::string& version, const std::string& home,
                  const std::string& library) {
    FakeRegistry.Keys[key].Subkeys.push_back(version);
    FakeRegistryKey& entry = FakeRegistry.Keys[key + "\\" + version];
    if (!home.empty()) entry.Values["JavaHome"] = FakeString(home);
    if (!library.empty()) entry.Values["RuntimeLib"] = FakeString(library);
  }
  void SetCurrent(const std::string& key, const std::string& version) {
    FakeRegistry.Keys[key].Values["CurrentVersion"] = FakeString(version);
  }

  // Runs TryRuntimeVersion on a key buffer holding `key` and checks the buffer is given
  // back as it was.
  bool Try(const char* key, const std::string& version, std::size_t size = RuntimePathSize) {
    char keyPath[RegistryKeyPathSize];
    std::strcpy(keyPath, key);
    const bool accepted = TryRuntimeVersion(keyPath, version.c_str(), result_, size);
    EXPECT_STREQ(keyPath, key);
    return accepted;
  }

  // The one report a failed location gives.
  void ExpectNoRuntimeReportedOnce() {
    ASSERT_EQ(RecordedReports.size(), 1u);
    EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
    EXPECT_EQ(RecordedReports[0].Text, NoRuntime);
  }

  ScopedTempDirectory temp_{"runtime"};
  char result_[RuntimePathSize] = {};
};

using Paths = std::vector<std::string>;

// --- RuntimeSearchMode ---------------------------------------------------------------

struct ModeRow {
  int Mode;
  bool RegistryFirst;
  std::vector<const char*> Keys;
};

class SearchModeTest : public RuntimeLocationTest, public ::testing::WithParamInterface<ModeRow> {};

TEST_P(SearchModeTest, FailedSearchReadsTheKeysInOrderAndReportsOnce) {
  const ModeRow& row = GetParam();
  LaunchConfig.RuntimeSearchMode = row.Mode;
  LaunchConfig.RuntimeLibrary = "missing.dll;other.dll";
  for (const char* key : {Jre, IbmJre, Jdk, IbmJdk}) FakeRegistry.Keys[key];

  EXPECT_FALSE(LocateRuntime());

  Paths expected;  // each key: once for "CurrentVersion", once for its subkeys
  for (const char* key : row.Keys) expected.insert(expected.end(), {key, key});
  EXPECT_EQ(FakeRegistry.Opened, expected);
  ExpectNoRuntimeReportedOnce();
  // The configured search ran too: it cut the list at its first entry.
  EXPECT_STREQ(LaunchConfig.RuntimeLibrary.c_str(), "missing.dll");
  EXPECT_STREQ(RegistryJavaHome, "");
}

TEST_P(SearchModeTest, TheSearchThatRunsFirstWins) {
  const ModeRow& row = GetParam();
  LaunchConfig.RuntimeSearchMode = row.Mode;
  LaunchConfig.RuntimeLibrary = "private.dll";
  Touch("private.dll");
  int n = 0;
  for (const char* key : {Jre, IbmJre, Jdk, IbmJdk}) {
    const std::string tag = std::to_string(++n);
    SetCurrent(key, "1.4");
    AddVersion(key, "1.4", "home" + tag, "registered" + tag + ".dll");
    Touch("registered" + tag + ".dll");
  }

  ASSERT_TRUE(LocateRuntime());

  EXPECT_TRUE(RecordedReports.empty());
  if (!row.RegistryFirst) {
    EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("private.dll"));
    EXPECT_TRUE(FakeRegistry.Opened.empty());
    EXPECT_STREQ(RegistryJavaHome, "");
    return;
  }
  const std::string first = row.Keys[0];
  const std::string version = first + "\\1.4";
  EXPECT_EQ(FakeRegistry.Opened, (Paths{first, version, version}));
  const int tag = first == Jre ? 1 : first == IbmJre ? 2 : first == Jdk ? 3 : 4;
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("registered" + std::to_string(tag) + ".dll"));
  EXPECT_EQ(RegistryJavaHome, "home" + std::to_string(tag));
}

const std::vector<const char*> AllKeys = {Jre, IbmJre, Jdk, IbmJdk};
const std::vector<const char*> KitsFirst = {Jdk, IbmJdk, Jre, IbmJre};
const std::vector<const char*> RuntimesOnly = {Jre, IbmJre};
const std::vector<const char*> KitsOnly = {Jdk, IbmJdk};

INSTANTIATE_TEST_SUITE_P(
    EveryRow, SearchModeTest,
    ::testing::Values(ModeRow{INT_MIN, false, AllKeys}, ModeRow{-1, false, AllKeys},
                      ModeRow{0, false, AllKeys}, ModeRow{1, false, KitsFirst},
                      ModeRow{2, false, RuntimesOnly}, ModeRow{3, false, KitsOnly},
                      ModeRow{4, true, AllKeys}, ModeRow{5, true, KitsFirst},
                      ModeRow{6, true, RuntimesOnly}, ModeRow{7, true, KitsFirst},
                      ModeRow{8, true, AllKeys}, ModeRow{9, true, AllKeys},
                      ModeRow{INT_MAX, true, AllKeys}),
    [](const ::testing::TestParamInfo<ModeRow>& info) {
      const int mode = info.param.Mode;
      return mode < 0 ? "Minus" + std::to_string(-static_cast<long long>(mode))
                      : "Mode" + std::to_string(mode);
    });

// --- LocateRuntime -------------------------------------------------------------------

TEST_F(RuntimeLocationTest, ShippedConfigurationTakesThePrivateRuntimeWithoutTheRegistry) {
  LaunchConfig.RuntimeSearchMode = 2;
  LaunchConfig.RuntimeLibrary = "j2re1.4.1_02\\bin\\client\\jvm.dll";
  Touch("j2re1.4.1_02\\bin\\client\\jvm.dll");
  SetCurrent(Jre, "1.4");
  AddVersion(Jre, "1.4", "home", "registered.dll");
  Touch("registered.dll");

  ASSERT_TRUE(LocateRuntime());
  // Made absolute where it was found: a later change of directory leaves it in place.
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("j2re1.4.1_02\\bin\\client\\jvm.dll"));
  EXPECT_TRUE(FakeRegistry.Opened.empty());
  EXPECT_STREQ(RegistryJavaHome, "");
}

TEST_F(RuntimeLocationTest, FoundPathReplacesTheCutListWhole) {
  LaunchConfig.RuntimeSearchMode = 2;
  LaunchConfig.RuntimeLibrary = "private\\jvm.dll;another\\jvm.dll";
  SetCurrent(Jre, "1.4");
  AddVersion(Jre, "1.4", "", "r.dll");
  Touch("r.dll");

  ASSERT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("r.dll"));
  EXPECT_EQ(LaunchConfig.RuntimeLibrary.size(), std::strlen(LaunchConfig.RuntimeLibrary.c_str()));
  EXPECT_STREQ(RegistryJavaHome, "");
}

TEST_F(RuntimeLocationTest, EmptyListGoesStraightToTheRegistry) {
  LaunchConfig.RuntimeSearchMode = 3;
  SetCurrent(IbmJdk, "1.4.2");
  AddVersion(IbmJdk, "1.4.2", "ibm", "");
  Touch("ibm\\jre\\bin\\classic\\jvm.dll");

  ASSERT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("ibm\\jre\\bin\\classic\\jvm.dll"));
  const std::string version = std::string(IbmJdk) + "\\1.4.2";
  EXPECT_EQ(FakeRegistry.Opened, (Paths{Jdk, Jdk, IbmJdk, version, version}));
  EXPECT_STREQ(RegistryJavaHome, "ibm");
}

TEST_F(RuntimeLocationTest, EmptyListAfterAFailedRegistrySearchEndsInOneReport) {
  LaunchConfig.RuntimeSearchMode = 4;
  AddVersion(Jre, "1.4", "home", "");  // nothing below the home

  EXPECT_FALSE(LocateRuntime());
  ExpectNoRuntimeReportedOnce();
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, "");
  EXPECT_STREQ(RegistryJavaHome, "home");
}

// --- SearchConfiguredRuntime ---------------------------------------------------------

TEST_F(RuntimeLocationTest, ConfiguredEntriesAreTriedInOrderSkippingEmptyOnes) {
  LaunchConfig.RuntimeLibrary = "first.dll;;second.dll";
  Touch("second.dll");
  EXPECT_TRUE(SearchConfiguredRuntime(result_, sizeof result_));
  EXPECT_STREQ(result_, "second.dll");

  LaunchConfig.RuntimeLibrary = "first.dll;;second.dll";
  Touch("first.dll");
  EXPECT_TRUE(SearchConfiguredRuntime(result_, sizeof result_));
  EXPECT_STREQ(result_, "first.dll");
  // Cut in place behind the entry that won.
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, std::string("first.dll\0;second.dll", 21));
}

TEST_F(RuntimeLocationTest, ConfiguredSearchFailsOnEmptyListsAndMissingFiles) {
  Touch("present.dll");
  for (const char* list : {"", ";", ";;;", "missing.dll", "a.dll;;b.dll;"}) {
    LaunchConfig.RuntimeLibrary = list;
    std::strcpy(result_, "untouched");
    EXPECT_FALSE(SearchConfiguredRuntime(result_, sizeof result_)) << list;
    EXPECT_STREQ(result_, "untouched") << list;
  }
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(RuntimeLocationTest, ConfiguredEntryTooLongForTheResultCountsAsAbsent) {
  Touch("abcdefg");       // 7 characters: fits 8 bytes
  Touch("abcdefgh.dll");  // does not
  LaunchConfig.RuntimeLibrary = "abcdefgh.dll;abcdefg";
  ASSERT_TRUE(SearchConfiguredRuntime(result_, 8));
  EXPECT_STREQ(result_, "abcdefg");
}

// --- Version test --------------------------------------------------------------------

TEST_F(RuntimeLocationTest, VersionTestComparesMajorAndMinorSeparately) {
  for (const char* version : {"1.3.1", "2.0", "0.9", "1.3"}) {
    AddVersion(Jre, version, "", "lib.dll");
  }
  for (const char* version : {"1.4", "1.4.1_02", "1.4.2_01", "1.5", "1.9", "3.4"}) {
    AddVersion(Jre, version, "", "lib.dll");
  }
  Touch("lib.dll");

  for (const char* version : {"1.3.1", "2.0", "0.9", "1.3"}) {
    EXPECT_FALSE(Try(Jre, version)) << version;
  }
  EXPECT_TRUE(FakeRegistry.Opened.empty()) << "a rejected version's key was read";
  for (const char* version : {"1.4", "1.4.1_02", "1.4.2_01", "1.5", "1.9", "3.4"}) {
    FakeRegistry.Opened.clear();
    EXPECT_TRUE(Try(Jre, version)) << version;
    EXPECT_STREQ(result_, "lib.dll");
    const std::string key = std::string(Jre) + "\\" + version;
    EXPECT_EQ(FakeRegistry.Opened, (Paths{key, key})) << version;
  }
}

TEST_F(RuntimeLocationTest, VersionTestTakesTheRequirementFromJniVersion) {
  LaunchConfig.JniVersion = 0x00020001;  // major 2, minor 1
  Touch("lib.dll");
  for (const char* version : {"1.9", "2.0", "3.0", "2.1", "3.5"}) {
    AddVersion(Jre, version, "", "lib.dll");
  }
  EXPECT_FALSE(Try(Jre, "1.9"));
  EXPECT_FALSE(Try(Jre, "2.0"));
  EXPECT_FALSE(Try(Jre, "3.0"));
  EXPECT_TRUE(Try(Jre, "2.1"));
  EXPECT_TRUE(Try(Jre, "3.5"));
}

TEST_F(RuntimeLocationTest, VersionCharactersNeedNotBeDigits) {
  Touch("lib.dll");
  AddVersion(Jre, "1.A", "", "lib.dll");  // 'A' - '0' is 17
  AddVersion(Jre, "1.#", "", "lib.dll");  // '#' - '0' is negative
  EXPECT_TRUE(Try(Jre, "1.A"));
  EXPECT_FALSE(Try(Jre, "1.#"));
}

TEST_F(RuntimeLocationTest, NamesShorterThanThreeCharactersAreRejected) {
  LaunchConfig.JniVersion = 0x00010000;  // 1.0: a missing minor could not fall short
  Touch("lib.dll");
  for (const char* version : {"", "1", "1.", "1.0"}) AddVersion(Jre, version, "home", "lib.dll");
  std::strcpy(RegistryJavaHome, "earlier");
  for (const char* version : {"", "1", "1."}) EXPECT_FALSE(Try(Jre, version)) << version;
  EXPECT_TRUE(FakeRegistry.Opened.empty());
  EXPECT_STREQ(RegistryJavaHome, "earlier");
  EXPECT_TRUE(Try(Jre, "1.0"));
}

// --- TryRuntimeVersion ---------------------------------------------------------------

TEST_F(RuntimeLocationTest, RegisteredLibraryIsTaken) {
  AddVersion(Jre, "1.4", "C:\\j2sdk1.4", "lib\\jvm.dll");
  Touch("lib\\jvm.dll");
  ASSERT_TRUE(Try(Jre, "1.4"));
  EXPECT_STREQ(result_, "lib\\jvm.dll");
  EXPECT_STREQ(RegistryJavaHome, "C:\\j2sdk1.4");
}

TEST_F(RuntimeLocationTest, MissingRegisteredLibraryRejectsEvenWithALibraryUnderTheHome) {
  LaunchConfig.RuntimeLibrary = "jvm.dll";
  AddVersion(Jre, "1.4", "home", "gone\\jvm.dll");
  Touch("home\\jvm.dll");
  Touch("home\\jre\\bin\\client\\jvm.dll");
  EXPECT_FALSE(Try(Jre, "1.4"));
  EXPECT_STREQ(RegistryJavaHome, "home");
}

TEST_F(RuntimeLocationTest, WithoutRegisteredLibraryTheHomeIsSearchedInOrder) {
  LaunchConfig.RuntimeLibrary = "bin\\jvm.dll";
  AddVersion(Jre, "1.4", "home", "");
  const std::vector<std::string> order = {"home\\bin\\jvm.dll", "home\\jre\\bin\\client\\jvm.dll",
                                          "home\\jre\\bin\\server\\jvm.dll",
                                          "home\\jre\\bin\\classic\\jvm.dll"};
  for (const std::string& path : order) Touch(path);
  for (const std::string& path : order) {
    ASSERT_TRUE(Try(Jre, "1.4")) << path;
    EXPECT_EQ(result_, path);
    Remove(path);
  }
  EXPECT_FALSE(Try(Jre, "1.4"));
}

TEST_F(RuntimeLocationTest, EmptyListIsNotComposedUnderTheHome) {
  AddVersion(Jre, "1.4", "home", "");
  Touch("home\\");  // what an empty tail would name
  Touch("home\\jre\\bin\\server\\jvm.dll");
  ASSERT_TRUE(Try(Jre, "1.4"));
  EXPECT_STREQ(result_, "home\\jre\\bin\\server\\jvm.dll");
}

TEST_F(RuntimeLocationTest, RegisteredLibraryOfAnotherTypeCountsAsMissing) {
  AddVersion(Jre, "1.4", "home", "");
  FakeRegistry.Keys[std::string(Jre) + "\\1.4"].Values["RuntimeLib"] = {
      RegistryValueType::Other, std::string("lib.dll\0", 8)};
  Touch("lib.dll");
  Touch("home\\jre\\bin\\client\\jvm.dll");
  ASSERT_TRUE(Try(Jre, "1.4"));
  EXPECT_STREQ(result_, "home\\jre\\bin\\client\\jvm.dll");
}

TEST_F(RuntimeLocationTest, VersionWithoutLibraryOrHomeIsRejected) {
  LaunchConfig.RuntimeLibrary = "jvm.dll";
  Touch("jvm.dll");
  AddVersion(Jre, "1.4", "", "");
  EXPECT_FALSE(Try(Jre, "1.4"));
  EXPECT_FALSE(Try(Jre, "1.5"));  // no key at all
  const std::string v14 = std::string(Jre) + "\\1.4", v15 = std::string(Jre) + "\\1.5";
  EXPECT_EQ(FakeRegistry.Opened, (Paths{v14, v14, v15, v15}));
}

TEST_F(RuntimeLocationTest, ComposedPathTooLongForTheResultCountsAsAbsent) {
  AddVersion(Jre, "1.4", "h", "");
  Touch("h\\jre\\bin\\client\\jvm.dll");  // 24 characters
  EXPECT_FALSE(Try(Jre, "1.4", 24));
  EXPECT_TRUE(Try(Jre, "1.4", 25));
  EXPECT_STREQ(result_, "h\\jre\\bin\\client\\jvm.dll");
}

TEST_F(RuntimeLocationTest, SubkeyPathTooLongForItsBufferIsRejectedAfterClearingTheHome) {
  std::strcpy(RegistryJavaHome, "earlier");
  // Key, backslash and name make 256 characters: one more than the buffer holds.
  const std::string version = "1.4" + std::string(RegistryKeyPathSize - std::strlen(Jre) - 4, 'x');
  AddVersion(Jre, version, "home", "lib.dll");
  Touch("lib.dll");
  EXPECT_FALSE(Try(Jre, version));
  EXPECT_STREQ(RegistryJavaHome, "");
  EXPECT_TRUE(FakeRegistry.Opened.empty());

  const std::string fitting = version.substr(0, version.size() - 1);
  AddVersion(Jre, fitting, "home", "lib.dll");
  EXPECT_TRUE(Try(Jre, fitting));
}

// --- SearchRegistryRuntime -----------------------------------------------------------

TEST_F(RuntimeLocationTest, RejectedCurrentVersionLeavesTheSubkeysToEnumeration) {
  LaunchConfig.RuntimeSearchMode = 2;
  SetCurrent(Jre, "1.4");
  AddVersion(Jre, "1.3.1", "old", "old.dll");
  AddVersion(Jre, "1.4", "current", "missing.dll");
  AddVersion(Jre, "1.5", "next", "next.dll");
  AddVersion(Jre, "1.6", "last", "last.dll");
  Touch("old.dll");
  Touch("next.dll");
  Touch("last.dll");

  ASSERT_TRUE(SearchRegistryRuntime(result_, sizeof result_));
  EXPECT_STREQ(result_, "next.dll");
  EXPECT_STREQ(RegistryJavaHome, "next");
  const std::string current = std::string(Jre) + "\\1.4";
  const std::string next = std::string(Jre) + "\\1.5";
  EXPECT_EQ(FakeRegistry.Opened, (Paths{Jre, current, current, Jre, current, current, next, next}));
}

TEST_F(RuntimeLocationTest, EnumerationStopsAtTheFirstFailingIndex) {
  LaunchConfig.RuntimeSearchMode = 2;
  AddVersion(Jre, std::string(300, '1'), "", "");  // longer than the 256 characters offered
  AddVersion(Jre, "1.5", "", "lib.dll");
  Touch("lib.dll");
  EXPECT_FALSE(SearchRegistryRuntime(result_, sizeof result_));
  EXPECT_EQ(FakeRegistry.Opened, (Paths{Jre, Jre, IbmJre, IbmJre}));
}

TEST_F(RuntimeLocationTest, FailedSearchLeavesTheHomeOfTheLastVersionThatPassedTheTest) {
  LaunchConfig.RuntimeSearchMode = 2;
  AddVersion(Jre, "1.4", "first", "");
  AddVersion(Jre, "1.3", "too old", "");
  AddVersion(IbmJre, "1.4", "second", "");
  AddVersion(IbmJre, "1.2", "older", "");
  EXPECT_FALSE(SearchRegistryRuntime(result_, sizeof result_));
  EXPECT_STREQ(RegistryJavaHome, "second");

  // A later version without a home clears it.
  AddVersion(IbmJre, "1.5", "", "");
  EXPECT_FALSE(SearchRegistryRuntime(result_, sizeof result_));
  EXPECT_STREQ(RegistryJavaHome, "");
}

TEST_F(RuntimeLocationTest, SeveralConfiguredEntriesGiveTheFirstUnderTheHomeInEitherOrder) {
  for (int mode : {2, 6}) {
    SetUp();
    LaunchConfig.RuntimeSearchMode = mode;
    LaunchConfig.RuntimeLibrary = ";first.dll;second.dll";
    SetCurrent(Jre, "1.4");
    AddVersion(Jre, "1.4", "home", "");
    Touch("home\\first.dll");
    Touch("home\\second.dll");
    Touch("home\\jre\\bin\\client\\jvm.dll");
    ASSERT_TRUE(LocateRuntime()) << mode;
    EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute("home\\first.dll")) << mode;
  }
}

// --- ReadRegistryString --------------------------------------------------------------

TEST_F(RuntimeLocationTest, ReadRegistryStringResults) {
  const char* const key = "Software\\Test";
  auto& values = FakeRegistry.Keys[key].Values;
  values["plain"] = FakeString("abc");
  values["expand"] = {RegistryValueType::ExpandableString, std::string("%H%\\x\0", 7)};
  values["number"] = {RegistryValueType::Other, std::string("\x04\0\0\0", 4)};
  values["unterminated"] = {RegistryValueType::String, "abc"};
  values["full"] = {RegistryValueType::String, "abcd"};
  values["long"] = FakeString("abcd");
  char buffer[4];

  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, key, "plain", buffer, 4), 0);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, key, "unterminated", buffer, 4), 0);
  EXPECT_STREQ(buffer, "abc");
  char wide[16];
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, key, "expand", wide, 16), 0);
  EXPECT_STREQ(wide, "%H%\\x");

  for (const char* name : {"number", "full", "long", "absent"}) {
    std::strcpy(buffer, "xyz");
    EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, key, name, buffer, 4), 1) << name;
    EXPECT_STREQ(buffer, "") << name;
  }

  std::strcpy(buffer, "xyz");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, "Software\\None", "plain", buffer, 4),
            -1);
  EXPECT_STREQ(buffer, "xyz");
}

}  // namespace
