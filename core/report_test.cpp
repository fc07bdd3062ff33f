#include "core/report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/recorded_reports.h"
#include "tests/fakes/report_fixture.h"

using ReportTest = RecordedReportTest;

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
