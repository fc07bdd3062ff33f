#include "hosting/no_runtime_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launch_config.h"
#include "core/report.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/fakes/report_fixture.h"

class NoRuntimeReportTest : public RecordedReportTest {
 protected:
  void SetUp() override {
    RecordedReportTest::SetUp();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.MsgNoRuntime = "Quill needs Java %s.";
    LaunchConfig.MsgFileAccess = "Cannot open %s";
    FakeShell = FakeShellState();
    FakeQuestionAnswer = false;
  }
  void TearDown() override {
    RecordedReportTest::TearDown();
    LaunchConfig = LaunchConfigRecord();
  }

  static constexpr const char* Url = "https://example.org/java?v=11&os=win";
  static constexpr const char* Text = "Quill needs Java 11.";
};

TEST_F(NoRuntimeReportTest, WithoutAnAddressEveryModeReportsTheErrorAlone) {
  for (RunModeKind mode : {RunModeKind::Window, RunModeKind::Console, RunModeKind::Service}) {
    RecordedReports.clear();
    RunMode = mode;
    ReportNoRuntime("11");
    ASSERT_EQ(RecordedReports.size(), 1u);
    EXPECT_EQ(RecordedReports[0].Text, Text);
    EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
    EXPECT_FALSE(RecordedReports[0].Question);
  }
  EXPECT_TRUE(FakeShell.Opened.empty());
}

TEST_F(NoRuntimeReportTest, AWindowRunAsksAndOpensThePageOnYesOnly) {
  LaunchConfig.RuntimeDownloadUrl = Url;
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_TRUE(RecordedReports[0].Question);
  EXPECT_EQ(RecordedReports[0].Text, std::string(Text) + "\n\nOpen the download page now?");
  EXPECT_TRUE(FakeShell.Opened.empty());

  RecordedReports.clear();
  FakeQuestionAnswer = true;
  LaunchConfig.MsgOpenDownloadPage = "Open %s (100%%)?";
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Text, std::string(Text) + "\n\nOpen " + Url + " (100%)?");
  EXPECT_EQ(FakeShell.Opened, std::vector<std::string>{Url});
}

TEST_F(NoRuntimeReportTest, APageTheShellCannotOpenIsReported) {
  LaunchConfig.RuntimeDownloadUrl = Url;
  FakeQuestionAnswer = true;
  FakeShell.Result = false;
  FakeSystemError.Text = "No application is associated.";
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 3u);
  EXPECT_EQ(RecordedReports[1].Text, "No application is associated.");
  EXPECT_EQ(RecordedReports[2].Text, std::string("Cannot open ") + Url);
}

TEST_F(NoRuntimeReportTest, AConsoleRunPrintsTheAddressAndAServiceRunLogsTheErrorOnly) {
  LaunchConfig.RuntimeDownloadUrl = Url;
  RunMode = RunModeKind::Console;
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 2u);
  EXPECT_TRUE(RecordedReports[0].Line && RecordedReports[1].Line);
  EXPECT_EQ(RecordedReports[0].Text, Text);
  EXPECT_EQ(RecordedReports[1].Text, Url);
  EXPECT_EQ(RecordedReports[1].Kind, ReportKind::Error);

  RecordedReports.clear();
  RunMode = RunModeKind::Service;
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_TRUE(RecordedReports[0].Event);
  EXPECT_EQ(RecordedReports[0].Text, Text);
  EXPECT_TRUE(FakeShell.Opened.empty());
}
