#include "launcher/run_sequence.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "launcher/launch_config.h"
#include "launcher/report.h"
#include "platform/directories.h"
#include "platform/instance_mutex.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

TEST(SkipProgramName, RemovesPlainAndQuotedNamesFromNarrowAndWideLines) {
  const struct {
    const char* Line;
    const char* Rest;
  } cases[] = {{"app.exe -install", "-install"},
               {"  \t\"C:\\Program Files\\app.exe\" \t a b", "a b"},
               {"\"C:\\a b\\app.exe\"x y", "x y"},
               {"\"unclosed name", ""},
               {"app.exe\targ", "arg"},
               {"app.exe", ""},
               {"", ""}};
  for (const auto& c : cases) {
    EXPECT_STREQ(SkipProgramName(c.Line), c.Rest) << c.Line;
    const std::u16string wide(c.Line, c.Line + std::char_traits<char>::length(c.Line));
    EXPECT_EQ(std::u16string(SkipProgramName(wide.c_str())),
              std::u16string(c.Rest, c.Rest + std::char_traits<char>::length(c.Rest)))
        << c.Line;
  }
}

class DispatchServiceSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    FakeService = FakeServiceState();
    RunMode = RunModeKind::Window;
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.ServiceName = "Quill";
    LaunchConfig.ServiceDescription = "Quill service";
    LaunchConfig.InstallSwitch = "-install";
    LaunchConfig.UninstallSwitch = "-uninstall";
    LaunchConfig.ServiceSwitch = "-service";
    LaunchConfig.MsgServiceInstalled = "Service installed: %s";
    LaunchConfig.MsgServiceUninstalled = "Service uninstalled: %s";
    LaunchConfig.MsgServiceAlreadyInstalled = "Service is already installed: %s";
  }
  void TearDown() override { RunMode = RunModeKind::Window; }

  bool Dispatch(const char* commandLine) {
    ArgumentVector arguments = SplitArguments(commandLine, true);
    return DispatchServiceSwitch(arguments.Count, arguments.Vector());
  }
};

TEST_F(DispatchServiceSwitchTest, InstallsAndReportsWhenNotInstalled) {
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_EQ(FakeService.Calls, (std::vector<std::string>{"IsServiceInstalled Quill",
                                                         "InstallService Quill Quill service"}));
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Information);
  EXPECT_EQ(RecordedReports[0].Text, "Service installed: Quill");
}

TEST_F(DispatchServiceSwitchTest, RefusesToInstallTwice) {
  FakeService.Installed = 1;
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_EQ(FakeService.Calls.size(), 1u);
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
  EXPECT_EQ(RecordedReports[0].Text, "Service is already installed: Quill");
}

TEST_F(DispatchServiceSwitchTest, UndecidableOrFailedInstallAddsNoReport) {
  FakeService.Installed = -1;
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_EQ(FakeService.Calls.size(), 1u);
  FakeService.Installed = 0;
  FakeService.InstallResult = -1;
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(DispatchServiceSwitchTest, UninstallsWithoutExistenceTest) {
  EXPECT_TRUE(Dispatch("-uninstall"));
  EXPECT_EQ(FakeService.Calls, std::vector<std::string>{"UninstallService Quill"});
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Text, "Service uninstalled: Quill");

  RecordedReports.clear();
  FakeService.UninstallResult = -1;
  EXPECT_TRUE(Dispatch("-uninstall"));
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(DispatchServiceSwitchTest, ServiceSwitchRunsTheDispatcher) {
  EXPECT_TRUE(Dispatch("-service"));
  EXPECT_EQ(FakeService.Calls, std::vector<std::string>{"RunServiceDispatcher"});
}

TEST_F(DispatchServiceSwitchTest, OnlyALoneExactSwitchCounts) {
  EXPECT_FALSE(Dispatch(""));
  EXPECT_FALSE(Dispatch("-INSTALL"));
  EXPECT_FALSE(Dispatch("-install extra"));
  EXPECT_FALSE(Dispatch("-installer"));
  EXPECT_FALSE(Dispatch("\"-install \""));
  EXPECT_TRUE(FakeService.Calls.empty());
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(DispatchServiceSwitchTest, FirstMatchingSwitchWins) {
  LaunchConfig.UninstallSwitch = "-install";
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_EQ(FakeService.Calls.front(), "IsServiceInstalled Quill");
}

class ApplyWorkingDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.MsgFileAccess = "Error accessing file/directory: %s";
    directory_.Write("start/keep", "");
    directory_.Write("work/keep", "");
    start_ = (directory_.path() / "start").string();
    work_ = (directory_.path() / "work").string();
    std::snprintf(StartDirectory, sizeof StartDirectory, "%s", start_.c_str());
  }
  std::filesystem::path Current() { return std::filesystem::current_path(); }

  ScopedTempDirectory directory_{"workdir"};
  std::string start_;
  std::string work_;
};

TEST_F(ApplyWorkingDirectoryTest, ReturnsToStartDirectoryOnlyBeforeInvocation) {
  LaunchConfig.ReturnToStartDirectory = true;
  LaunchConfig.WorkingDirectory = work_;
  EXPECT_TRUE(ApplyWorkingDirectory(false));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), start_));
  EXPECT_TRUE(ApplyWorkingDirectory(true));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), work_));
}

TEST_F(ApplyWorkingDirectoryTest, EmptyWorkingDirectoryChangesNothing) {
  EXPECT_TRUE(ApplyWorkingDirectory(false));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), directory_.path()));
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(ApplyWorkingDirectoryTest, MissingDirectoryGivesSystemTextThenFileAccess) {
  LaunchConfig.WorkingDirectory = (directory_.path() / "missing").string();
  FakeSystemError.Text = "not there";
  EXPECT_FALSE(ApplyWorkingDirectory(false));
  ASSERT_EQ(RecordedReports.size(), 2u);
  EXPECT_EQ(RecordedReports[0].Text, "not there");
  EXPECT_EQ(RecordedReports[1].Text,
            "Error accessing file/directory: " + LaunchConfig.WorkingDirectory);
}

// Of two launchers started at once both may find no mutex; the creation tells the
// second one, which then holds nothing.
TEST(CreateInstanceMutex, TellsAMutexMadeByAnotherFromOneItMade) {
  ScopedTempDirectory dir{"mutex"};
  // Where the Linux build keeps its lock files; putenv keeps the text itself.
  static std::string lockDirectory;
  lockDirectory = "XDG_RUNTIME_DIR=" + dir.path().string();
  putenv(const_cast<char*>(lockDirectory.c_str()));
  const std::string name =
      "CorvaneMutexTest" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  InstanceMutexHandle first = nullptr;
  InstanceMutexHandle second = &first;
  ASSERT_EQ(CreateInstanceMutex(name.c_str(), &first), 0);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(CreateInstanceMutex(name.c_str(), &second), 1);
  EXPECT_EQ(second, nullptr);
  CloseInstanceMutex(first);
  ASSERT_EQ(CreateInstanceMutex(name.c_str(), &second), 0);
  CloseInstanceMutex(second);
  putenv(const_cast<char*>("XDG_RUNTIME_DIR="));
}

// A path cut to its buffer names another file; the service installation registers the
// path it reads, so the reader refuses one that does not fit whole.
TEST(ReadExecutablePath, RefusesAPathThatDoesNotFitWhole) {
  char path[1024];
  ASSERT_TRUE(ReadExecutablePath(path, sizeof path));
  std::vector<char> exact(std::strlen(path) + 1);
  EXPECT_TRUE(ReadExecutablePath(exact.data(), exact.size()));
  EXPECT_STREQ(exact.data(), path);
  EXPECT_FALSE(ReadExecutablePath(exact.data(), exact.size() - 1));
}
