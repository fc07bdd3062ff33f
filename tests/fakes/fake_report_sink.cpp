// The report sink and the shell that a report may open, recording what they receive.
#include "platform/report_sink.h"
#include "platform/shell.h"
#include "tests/fakes/recorded_reports.h"

std::vector<RecordedReport> RecordedReports;
bool FakeQuestionAnswer = false;
FakeShellState FakeShell;

void ShowReportBox(ReportKind kind, const char* text) {
  RecordedReports.push_back({false, kind, text});
}

bool AskReportQuestion(const char* text) {
  RecordedReports.push_back({false, ReportKind::Error, text, false, true});
  return FakeQuestionAnswer;
}

void WriteReportEvent(ReportKind kind, const char* text) {
  RecordedReports.push_back({true, kind, text});
}

void WriteReportLine(ReportKind kind, const char* text) {
  RecordedReports.push_back({false, kind, text, true});
}

bool OpenWithShell(const char* target) {
  FakeShell.Opened.push_back(target);
  return FakeShell.Result;
}
