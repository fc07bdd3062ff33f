#include "runtime/no_runtime_report.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "platform/shell.h"
#include "runtime/java_version.h"

namespace {

// A bound as written when it parses; empty when it sets no bound.
std::string BoundText(const std::string& text) {
  JavaVersion version;
  return ParseJavaVersion(text.c_str(), &version) ? text : std::string();
}

}  // namespace

std::string NeededVersionLine() {
  const std::string least = BoundText(LaunchConfig.RuntimeMinVersion);
  const std::string greatest = BoundText(LaunchConfig.RuntimeMaxVersion);
  if (least.empty() && greatest.empty()) return std::string();
  if (greatest.empty()) return "Java needed: " + least + " or later.";
  if (least.empty()) return "Java needed: " + greatest + " or earlier.";
  return "Java needed: " + least + " to " + greatest + ".";
}

void ReportNoRuntime(const char* argument, const std::vector<std::string>& passedOver) {
  const LaunchConfigRecord& c = LaunchConfig;
  std::string text = FormatReport(c.MsgNoRuntime.c_str(), argument);
  // A message that names the least version itself ("Needs Java %s or newer.") has said
  // all there is to say when no greatest bounds the range.
  const bool minimumNamed = argument != nullptr && c.RuntimeMinVersion == argument &&
                            c.MsgNoRuntime.find("%s") != std::string::npos &&
                            c.RuntimeMaxVersion.empty();
  const std::string needed = NeededVersionLine();
  if (!needed.empty() && !minimumNamed) text += "\n" + needed;
  if (!passedOver.empty()) text = text + "\n" + RejectedRuntimesHint;
  for (std::size_t i = 0; i < passedOver.size() && i < PassedOverLinesShown; ++i) {
    text += "\n- " + passedOver[i];
  }
  if (passedOver.size() > PassedOverLinesShown) {
    text += "\n- and " + std::to_string(passedOver.size() - PassedOverLinesShown) + " more";
  }
  const char* url = c.RuntimeDownloadUrl.c_str();
  if (url[0] == '\0' || RunMode == RunModeKind::Service) {
    RouteReport(ReportKind::Error, text.c_str());
    return;
  }
  if (RunMode == RunModeKind::Console) {
    // The address is where to go, not a second error.
    RouteReport(ReportKind::Error, (text + "\n" + url).c_str());
    return;
  }
  const char* question =
      c.MsgOpenDownloadPage.empty() ? DefaultOpenDownloadPage : c.MsgOpenDownloadPage.c_str();
  std::string asked = text + "\n\n" + FormatReport(question, url);
  if (asked.size() >= ReportBufferSize) asked.resize(ReportBufferSize - 1);
  const bool open = AskReportQuestion(asked.c_str());
  Trace("download page %s: %s", url, open ? "accepted" : "declined");
  if (!open || OpenWithShell(url)) return;
  ReportLastSystemError(url);
  ReportError(c.MsgFileAccess.c_str(), url);
}
