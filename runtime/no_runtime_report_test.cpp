#include "runtime/no_runtime_report.h"

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

TEST_F(NoRuntimeReportTest, AConsoleRunEndsTheReportWithTheAddressAndAServiceRunLogsItAlone) {
  LaunchConfig.RuntimeDownloadUrl = Url;
  RunMode = RunModeKind::Console;
  ReportNoRuntime("11");
  // The address is a line of the one error, not a second error.
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_TRUE(RecordedReports[0].Line);
  EXPECT_EQ(RecordedReports[0].Text, std::string(Text) + "\n" + Url);

  RecordedReports.clear();
  RunMode = RunModeKind::Service;
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_TRUE(RecordedReports[0].Event);
  EXPECT_EQ(RecordedReports[0].Text, Text);
  EXPECT_TRUE(FakeShell.Opened.empty());
}

TEST_F(NoRuntimeReportTest, TheReportNamesTheRangeAndEveryRuntimePassedOverOnALine) {
  const std::vector<std::string> one = {"Java 17.0.15 at /jdk17: below RuntimeMinVersion 21"};
  std::vector<std::string> many;
  for (int i = 0; i < 12; ++i) many.push_back("Java 8 at /j" + std::to_string(i) + ": old");
  const std::string found = std::string("\n") + RejectedRuntimesHint;
  const struct {
    const char* Min;
    const char* Max;
    std::vector<std::string> PassedOver;
    std::string Lines;
  } rows[] = {
      {"", "", {}, ""},
      {"21", "", one, "\nJava needed: 21 or later." + found + "\n- " + one[0]},
      {"", "17", {}, "\nJava needed: 17 or earlier."},
      {"11", "17.0", {}, "\nJava needed: 11 to 17.0."},
      {"x", "", many,
       found + "\n- Java 8 at /j0: old" + "\n- Java 8 at /j1: old\n- Java 8 at /j2: old" +
           "\n- Java 8 at /j3: old\n- Java 8 at /j4: old\n- Java 8 at /j5: old" +
           "\n- Java 8 at /j6: old\n- Java 8 at /j7: old\n- Java 8 at /j8: old" +
           "\n- Java 8 at /j9: old\n- and 2 more"},
  };
  for (const auto& row : rows) {
    RecordedReports.clear();
    LaunchConfig.RuntimeMinVersion = row.Min;
    LaunchConfig.RuntimeMaxVersion = row.Max;
    ReportNoRuntime("11", row.PassedOver);
    ASSERT_EQ(RecordedReports.size(), 1u);
    EXPECT_EQ(RecordedReports[0].Text, Text + row.Lines) << row.Min << " " << row.Max;
  }
  // A message that names the least version as its argument needs no second line for it.
  RecordedReports.clear();
  LaunchConfig.RuntimeMinVersion = "11";
  LaunchConfig.RuntimeMaxVersion = "";
  ReportNoRuntime("11");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Text, Text);
}
