#include "platform/report_sink.h"

#include <cstdio>

namespace {

// Linux has neither message boxes nor an event log: every route ends on standard
// error, where a terminal or a service manager's journal shows it.
void WriteToStandardError(ReportKind kind, const char* text) {
  std::fprintf(stderr, "%s: %s\n", kind == ReportKind::Information ? "Information" : "Error",
               text);
  std::fflush(stderr);
}

}  // namespace

void ShowReportBox(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }

bool AskReportQuestion(const char* text) {
  WriteToStandardError(ReportKind::Error, text);
  return false;
}

void WriteReportEvent(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }

void WriteReportLine(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }
