#include "hosting/no_runtime_report.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "platform/shell.h"

void ReportNoRuntime(const char* argument, bool candidatesRejected) {
  const LaunchConfigRecord& c = LaunchConfig;
  std::string text = FormatReport(c.MsgNoRuntime.c_str(), argument);
  if (candidatesRejected) text = text + "\n" + RejectedRuntimesHint;
  const char* url = c.RuntimeDownloadUrl.c_str();
  if (url[0] == '\0' || RunMode == RunModeKind::Service) {
    RouteReport(ReportKind::Error, text.c_str());
    return;
  }
  if (RunMode == RunModeKind::Console) {
    RouteReport(ReportKind::Error, text.c_str());
    RouteReport(ReportKind::Error, url);
    return;
  }
  const char* question =
      c.MsgOpenDownloadPage.empty() ? DefaultOpenDownloadPage : c.MsgOpenDownloadPage.c_str();
  std::string asked = text + "\n\n" + FormatReport(question, url);
  if (asked.size() >= ReportBufferSize) asked.resize(ReportBufferSize - 1);
  const bool open = AskReportQuestion(asked.c_str());
  Trace("download page %s: %s", url, open ? "accepted" : "declined");
  if (!open || OpenWithShell(url)) return;
  ReportLastSystemError();
  ReportError(c.MsgFileAccess.c_str(), url);
}
