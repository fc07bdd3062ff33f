#include "platform/report_sink.h"
#include "tests/fakes/recorded_reports.h"

std::vector<RecordedReport> RecordedReports;

void ShowReportBox(ReportKind kind, const char* text) {
  RecordedReports.push_back({false, kind, text});
}

void WriteReportEvent(ReportKind kind, const char* text) {
  RecordedReports.push_back({true, kind, text});
}
