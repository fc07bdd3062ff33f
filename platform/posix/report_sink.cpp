#include "platform/report_sink.h"

#include <cstdio>

namespace {

// Linux has neither message boxes nor an event log: both routes end on standard
// error, where a terminal or a service manager's journal shows them.
void WriteToStandardError(ReportKind kind, const char* text) {
  std::fprintf(stderr, "%s: %s\n", kind == ReportKind::Information ? "Information" : "Error",
               text);
  std::fflush(stderr);
}

}  // namespace

void ShowReportBox(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }

void WriteReportEvent(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }
