#pragma once

#include <string>
#include <vector>

#include "platform/report_sink.h"

/// One report as a route received it.
struct RecordedReport {
  bool Event;  // true: event log route; false: message box route
  ReportKind Kind;
  std::string Text;
  bool Line = false;      // the console route (Event is false)
  bool Question = false;  // a Yes/No box (Event is false)
};

/// Everything the fake report sink has received, oldest first.
extern std::vector<RecordedReport> RecordedReports;

/// The answer the fake sink gives to AskReportQuestion: true for Yes.
extern bool FakeQuestionAnswer;

/// What the fake shell seam was asked to open, and what it gives.
struct FakeShellState {
  bool Result = true;
  std::vector<std::string> Opened;
};
extern FakeShellState FakeShell;

/// What the fake system-error seam gives: the last error, and the text the system
/// has for it (none when HasText is false).
struct FakeSystemErrorState {
  unsigned long Code = 0;
  bool HasText = true;
  std::string Text;
};
extern FakeSystemErrorState FakeSystemError;

/// Calls and scripted results of the fake service operations.
struct FakeServiceState {
  int Installed = 0;        // result of IsServiceInstalled
  int InstallResult = 0;    // result of InstallService
  int UninstallResult = 0;  // result of UninstallService
  int DispatcherResult = 0;  // result of RunServiceDispatcher
  std::vector<std::string> Calls;
};
extern FakeServiceState FakeService;
