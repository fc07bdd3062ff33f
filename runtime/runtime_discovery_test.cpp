#include "runtime/runtime_discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/current_directory.h"
#include "core/launch_config.h"
#include "runtime/java_home.h"
#include "runtime/runtime_location.h"
#include "tests/fakes/fake_environment.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

// Homes are real directories with a release file and a library whose header names a
// machine; the registry and the environment are fakes.

namespace {

const ExecutableMachine OtherMachine =
    LauncherMachine == ExecutableMachine::I386 ? ExecutableMachine::X86_64 : ExecutableMachine::I386;

// The first bytes of a PE image for `machine`: enough for the header reader.
std::string LibraryImage(ExecutableMachine machine) {
  std::string image(0x46, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;
  std::memcpy(&image[0x40], "PE\0\0", 4);
  const unsigned code = machine == ExecutableMachine::I386 ? 0x14C : machine == ExecutableMachine::X86_64 ? 0x8664 : 0xAA64;
  image[0x44] = static_cast<char>(code & 0xFF);
  image[0x45] = static_cast<char>(code >> 8);
  return image;
}

class RuntimeDiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    FakeRegistry = FakeRegistryState();
    FakeEnvironment.clear();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.RuntimeDiscovery = true;
    LaunchConfig.MsgNoRuntime = "Needs Java %s or newer.";
    std::memset(RegistryJavaHome, 0, sizeof RegistryJavaHome);
    SystemJavaHomes = "";  // the machine's own runtimes stay out of the cases
  }
  void TearDown() override {
    EXPECT_EQ(FakeRegistry.OpenKeys, 0);
    SystemJavaHomes = systemHomes_;
  }

  // A home `name` below the temporary directory; an empty version writes no release
  // file. Gives the home's full path.
  std::string Home(const std::string& name, const std::string& version,
                   ExecutableMachine machine = LauncherMachine) {
    temp_.Write(std::filesystem::path(name) / HomeLibraryPaths[0], LibraryImage(machine));
    if (!version.empty()) temp_.Write(std::filesystem::path(name) / "release", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"" + version + "\"\n");
    return (temp_.path() / name).string();
  }
  static std::string Library(const std::string& home) { return JoinPath(home, HomeLibraryPaths[0]); }

  void Register(const std::string& key, const std::string& version, const char* value,
                const std::string& home, bool user = false) {
    auto& keys = user ? FakeRegistry.UserKeys : FakeRegistry.Keys;
    const std::size_t below = key.find('|');
    const std::string path = key.substr(0, below);
    keys[path].Subkeys.push_back(version);
    const std::string values = path + "\\" + version + (below == std::string::npos ? "" : key.substr(below + 1));
    keys[values].Values[value] = FakeString(home);
  }

  // Runs the discovery; gives the library taken, or "" when none.
  std::string Discover(const std::string& systemHomes = "") {
    SystemJavaHomes = systemHomes.c_str();
    char result[RuntimePathSize] = {};
    const bool found = DiscoverRuntime(result, sizeof result);
    SystemJavaHomes = "";
    return found ? result : "";
  }

  ScopedTempDirectory temp_{"discovery"};
  const char* systemHomes_ = SystemJavaHomes;
};

const char* const Jdk = "Software\\JavaSoft\\JDK";
const char* const Adoptium = "Software\\Eclipse Adoptium\\JDK|\\hotspot\\MSI";
const char* const Zulu = "Software\\Azul Systems\\Zulu";

}  // namespace

TEST_F(RuntimeDiscoveryTest, JavaHomeComesFirstAndBecomesRegistryJavaHome) {
  const std::string fromVariable = Home("variable", "11.0.2");
  Register(Jdk, "21", "JavaHome", Home("registered", "21.0.1"));
  FakeEnvironment["JAVA_HOME"] = "\"" + fromVariable + "\"";  // quotes as users write them
  EXPECT_EQ(Discover(), Library(fromVariable));
  EXPECT_EQ(RegistryJavaHome, fromVariable);
  EXPECT_TRUE(FakeRegistry.Opened.empty());
}

TEST_F(RuntimeDiscoveryTest, RegistryTakesTheHighestPassingVersionOfAnyVendor) {
  Register(Jdk, "11", "JavaHome", Home("jdk11", "11.0.21"));
  Register(Adoptium, "17.0.9.9", "Path", Home("temurin17", "17.0.9") + "\\");
  Register(Zulu, "zulu-21", "InstallationPath", Home("zulu21", "21.0.1", OtherMachine));
  Register(Jdk, "22", "JavaHome", Home("nolibrary", ""));
  std::filesystem::remove_all(temp_.path() / "nolibrary");
  EXPECT_EQ(Discover(), Library((temp_.path() / "temurin17").string()));
  EXPECT_EQ(RegistryJavaHome, (temp_.path() / "temurin17").string());
}

TEST_F(RuntimeDiscoveryTest, VersionsComeFromTheReleaseFileThenTheKeyName) {
  // The key says 25, the release file 8: the file is right. Unknown versions rank last.
  Register(Jdk, "25", "JavaHome", Home("eight", "1.8.0_392"));
  Register(Jdk, "no-version", "JavaHome", Home("unknown", ""));
  Register(Jdk, "11", "JavaHome", Home("eleven", ""));
  EXPECT_EQ(Discover(), Library((temp_.path() / "eleven").string()));
}

TEST_F(RuntimeDiscoveryTest, EqualVersionsKeepLocalMachineBeforeCurrentUser) {
  Register(Jdk, "17", "JavaHome", Home("user", "17.0.9"), true);
  Register(Jdk, "17", "JavaHome", Home("machine", "17.0.9"));
  EXPECT_EQ(Discover(), Library((temp_.path() / "machine").string()));
  // A per-user installation is found when it is the only one, and when it is newer.
  Register(Jdk, "21", "JavaHome", Home("newer", "21"), true);
  EXPECT_EQ(Discover(), Library((temp_.path() / "newer").string()));
}

TEST_F(RuntimeDiscoveryTest, BoundsAndMachineDecideWhatPasses) {
  const struct {
    const char* Minimum;
    const char* Maximum;
    const char* Taken;  // "" for none
  } rows[] = {
      {"", "", "v21"},        // the highest; the 25 is for another machine
      {"1.8", "17", "v17"},   // 17 as a prefix admits 17.0.9
      {"17.0.10", "", "v21"},
      {"", "11", "v8"},
      {"22", "", ""},
      {"9", "10", ""},
  };
  Register(Jdk, "a", "JavaHome", Home("v8", "1.8.0_392"));
  Register(Jdk, "b", "JavaHome", Home("v17", "17.0.9"));
  Register(Jdk, "c", "JavaHome", Home("v21", "21.0.1"));
  Register(Jdk, "d", "JavaHome", Home("v25", "25", OtherMachine));
  for (const auto& row : rows) {
    LaunchConfig.RuntimeMinVersion = row.Minimum;
    LaunchConfig.RuntimeMaxVersion = row.Maximum;
    const std::string expected = *row.Taken ? Library((temp_.path() / row.Taken).string()) : "";
    EXPECT_EQ(Discover(), expected) << row.Minimum << " to " << row.Maximum;
  }
}

TEST_F(RuntimeDiscoveryTest, AnUnknownVersionPassesOnlyWithoutBounds) {
  Register(Zulu, "zulu", "InstallationPath", Home("zulu", ""));
  EXPECT_EQ(Discover(), Library((temp_.path() / "zulu").string()));
  LaunchConfig.RuntimeMaxVersion = "99";
  EXPECT_EQ(Discover(), "");
}

TEST_F(RuntimeDiscoveryTest, PathGivesTheHomeAboveTheFirstJavaProgram) {
  const std::string home = Home("onpath", "17.0.9");
  temp_.Write(std::filesystem::path("onpath") / "bin" / JavaProgramName, "java");
  temp_.Write(std::filesystem::path("second") / "bin" / JavaProgramName, "java");
  FakeEnvironment["PATH"] = (temp_.path() / "nothing").string() + PathListSeparator +
                            (temp_.path() / "onpath" / "bin").string() + PathListSeparator +
                            (temp_.path() / "second" / "bin").string();
  EXPECT_EQ(Discover(), Library(home));
}

#ifndef _WIN32
TEST_F(RuntimeDiscoveryTest, LinksAreFollowedAndCountOnce) {
  const std::string homes = (temp_.path() / "jvm").string();
  const std::string eleven = Home("jvm/java-11", "11.0.21");
  const std::string seventeen = Home("jvm/java-17", "17.0.9");
  std::filesystem::create_directory_symlink("java-11", homes + "/default-java");
  std::filesystem::create_directory_symlink("java-17", homes + "/z-alias");
  temp_.Write("jvm/java-11/bin/java", "java");
  std::filesystem::create_directories(temp_.path() / "usr-bin");
  std::filesystem::create_symlink(eleven + "/bin/java", temp_.path() / "usr-bin" / "java");

  // The system's homes, the highest version first.
  EXPECT_EQ(Discover(homes), Library(seventeen));
  // java on PATH, a link into a home, comes before them.
  FakeEnvironment["PATH"] = (temp_.path() / "usr-bin").string();
  EXPECT_EQ(Discover(homes), Library(eleven));
  EXPECT_EQ(RegistryJavaHome, eleven);
}
#endif

TEST_F(RuntimeDiscoveryTest, LocateRuntimeReportsTheBoundWhenNothingPasses) {
  LaunchConfig.RuntimeMinVersion = "17";
  const std::string old = Home("old", "11");
  Register(Jdk, "11", "JavaHome", old);
  EXPECT_FALSE(LocateRuntime());
  ASSERT_EQ(RecordedReports.size(), 1u);
  // Java 11 was seen and passed over: the report names it on a line of its own. The
  // message names the bound already.
  EXPECT_EQ(RecordedReports[0].Text,
            "Needs Java 17 or newer.\nJava was found but passed over; CORVANE_TRACE=<file> "
            "shows why.\n- Java 11 at " +
                old + ": below RuntimeMinVersion 17");
}

TEST_F(RuntimeDiscoveryTest, ModeOrdersConfiguredAndDiscoveryAndTheMachineCheckHoldsForBoth) {
  const std::string registered = Home("registered", "17");
  Register(Jdk, "17", "JavaHome", registered);
  temp_.Write("private.dll", LibraryImage(LauncherMachine));
  temp_.Write("wrong.dll", LibraryImage(OtherMachine));
  const struct {
    int Mode;
    const char* Configured;
    std::string Taken;
  } rows[] = {
      {2, "private.dll", "private.dll"},
      {4, "private.dll", Library(registered)},
      {2, "wrong.dll;private.dll", "private.dll"},
      {2, "wrong.dll", Library(registered)},
  };
  for (const auto& row : rows) {
    LaunchConfig.RuntimeSearchMode = row.Mode;
    LaunchConfig.RuntimeLibrary = row.Configured;
    ASSERT_TRUE(LocateRuntime()) << row.Configured;
    EXPECT_EQ(LaunchConfig.RuntimeLibrary, MakeAbsolute(row.Taken))
        << row.Mode << " " << row.Configured;
  }
  EXPECT_TRUE(RecordedReports.empty());
}

// A configured runtime (a bundle's own) is held to the bounds as a discovered one is,
// when its release file tells its version; one that cannot tell is taken as configured.
TEST_F(RuntimeDiscoveryTest, AConfiguredRuntimeIsHeldToTheBoundsItsReleaseFileTells) {
  LaunchConfig.RuntimeMinVersion = "21";
  const std::string bundled = Home("bundled", "17.0.15");
  LaunchConfig.RuntimeLibrary = Library(bundled);
  EXPECT_FALSE(LocateRuntime());
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_NE(RecordedReports[0].Text.find("\n- Java 17.0.15 at " + bundled +
                                         ": below RuntimeMinVersion 21"),
            std::string::npos)
      << RecordedReports[0].Text;

  const std::string untold = Home("untold", "");
  LaunchConfig.RuntimeLibrary = Library(untold);
  EXPECT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, Library(untold));
}
