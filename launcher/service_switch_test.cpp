#include "launcher/service_switch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "tests/fakes/recorded_reports.h"

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
    ExitCode = -7;
    return DispatchServiceSwitch(arguments.Count, arguments.Vector(), &ExitCode);
  }

  int ExitCode = 0;
};

TEST_F(DispatchServiceSwitchTest, InstallsAndReportsWhenNotInstalled) {
  EXPECT_TRUE(Dispatch("-install"));
  EXPECT_EQ(FakeService.Calls, (std::vector<std::string>{"IsServiceInstalled Quill",
                                                         "InstallService Quill Quill service"}));
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Information);
  EXPECT_EQ(RecordedReports[0].Text, "Service installed: Quill");
  EXPECT_EQ(ExitCode, 0);
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

TEST_F(DispatchServiceSwitchTest, ServiceSwitchRunsTheDispatcherAndEndsWithItsStatus) {
  FakeService.DispatcherResult = 3;
  EXPECT_TRUE(Dispatch("-service"));
  EXPECT_EQ(FakeService.Calls, std::vector<std::string>{"RunServiceDispatcher"});
  EXPECT_EQ(ExitCode, 3);
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
