#include "launcher/report.h"

#include <gtest/gtest.h>

#include <string>

#include "launcher/launch_config.h"
#include "launcher/no_runtime_report.h"
#include "tests/fakes/recorded_reports.h"

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    RunMode = RunModeKind::Window;
    FakeSystemError = FakeSystemErrorState();
  }
  void TearDown() override { RunMode = RunModeKind::Window; }
};

TEST(FormatReport, InsertsTheArgumentVerbatim) {
  EXPECT_EQ(FormatReport("Error accessing file/directory: %s", "C:\\100%\\%d%s"),
            "Error accessing file/directory: C:\\100%\\%d%s");
  EXPECT_EQ(FormatReport("An instance is running.", "ignored"), "An instance is running.");
  EXPECT_EQ(FormatReport("Missing: %s", nullptr), "Missing: ");
  EXPECT_EQ(FormatReport("", "x"), "");
  EXPECT_EQ(FormatReport("100%% sure: %s", "yes"), "100% sure: yes");
}

TEST(FormatReport, KeepsEveryOtherConversionAsWritten) {
  // Only one argument ever exists: nothing beyond the first "%s" may consume one.
  EXPECT_EQ(FormatReport("%s %s", "a"), "a %s");
  EXPECT_EQ(FormatReport("%d items in %s", "b"), "%d items in b");
  EXPECT_EQ(FormatReport("%n%p%x%-20s%", "c"), "%n%p%x%-20s%");
  EXPECT_EQ(FormatReport("%", "c"), "%");
}

TEST(FormatReport, CutsAtTheReportBuffer) {
  const std::string huge(20000, 'y');
  EXPECT_EQ(FormatReport("%s", huge.c_str()).size(), static_cast<size_t>(ReportBufferSize - 1));
  EXPECT_EQ(FormatReport(huge.c_str(), nullptr).size(), static_cast<size_t>(ReportBufferSize - 1));
}

TEST_F(ReportTest, EachRunModeHasItsRouteForBothKinds) {
  struct Route {
    RunModeKind Mode;
    bool Event;
    bool Line;
  } const routes[] = {{RunModeKind::Window, false, false},
                      {RunModeKind::Service, true, false},
                      {RunModeKind::Console, false, true}};
  for (const Route& route : routes) {
    RecordedReports.clear();
    RunMode = route.Mode;
    ReportInfo("Service installed: %s", "Quill");
    ReportError("Unable to load JVM: %s", "x.dll");
    ASSERT_EQ(RecordedReports.size(), 2u);
    for (const RecordedReport& report : RecordedReports) {
      EXPECT_EQ(report.Event, route.Event);
      EXPECT_EQ(report.Line, route.Line);
      EXPECT_FALSE(report.Question);
    }
    EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Information);
    EXPECT_EQ(RecordedReports[0].Text, "Service installed: Quill");
    EXPECT_EQ(RecordedReports[1].Kind, ReportKind::Error);
    EXPECT_EQ(RecordedReports[1].Text, "Unable to load JVM: x.dll");
  }
}

TEST_F(ReportTest, EmptyMessageIsStillReported) {
  ReportError("");
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Text, "");
}

TEST_F(ReportTest, SystemErrorShowsTheSystemTextUnexpanded) {
  FakeSystemError.Code = 2;
  FakeSystemError.Text = "The file %1 was not found.";
  ReportLastSystemError();
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
  EXPECT_EQ(RecordedReports[0].Text, "The file %1 was not found.");
}

TEST_F(ReportTest, SystemErrorWithoutTextShowsTheCode) {
  FakeSystemError.Code = 123456;
  FakeSystemError.HasText = false;
  ReportLastSystemError();
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Text, "System error 123456");
}

class NoRuntimeReportTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.MsgNoRuntime = "Quill needs Java %s.";
    LaunchConfig.MsgFileAccess = "Cannot open %s";
    FakeShell = FakeShellState();
    FakeQuestionAnswer = false;
  }
  void TearDown() override {
    ReportTest::TearDown();
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
