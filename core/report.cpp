#include "core/report.h"

#include <string>

#include "platform/system_error.h"

RunModeKind RunMode = RunModeKind::Window;

namespace {

constexpr char OutOfMemoryText[] = "Out of memory.";

}  // namespace

std::string FormatReport(const char* format, const char* argument) {
  std::string text;
  if (format == nullptr) return text;
  bool inserted = false;
  const size_t limit = ReportBufferSize - 1;
  for (const char* p = format; *p != '\0' && text.size() < limit; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      text += '%';
      ++p;
    } else if (p[0] == '%' && p[1] == 's' && !inserted) {
      text += argument != nullptr ? argument : "";
      inserted = true;
      ++p;
    } else {
      text += *p;
    }
  }
  if (text.size() > limit) text.resize(limit);
  return text;
}

void RouteReport(ReportKind kind, const char* text) {
  switch (RunMode) {
    case RunModeKind::Service:
      WriteReportEvent(kind, text);
      break;
    case RunModeKind::Console:
      WriteReportLine(kind, text);
      break;
    default:
      ShowReportBox(kind, text);
      break;
  }
}

void ReportInfo(const char* format, const char* argument) {
  RouteReport(ReportKind::Information, FormatReport(format, argument).c_str());
}

void ReportError(const char* format, const char* argument) {
  RouteReport(ReportKind::Error, FormatReport(format, argument).c_str());
}

void ReportOutOfMemory() { RouteReport(ReportKind::Error, OutOfMemoryText); }

void ReportLastSystemError(const char* subject) {
  const unsigned long code = LastSystemError();
  char text[ReportBufferSize];
  if (DescribeSystemError(code, text, sizeof text, subject)) {
    RouteReport(ReportKind::Error, text);
  } else {
    RouteReport(ReportKind::Error, ("System error " + std::to_string(code)).c_str());
  }
}
