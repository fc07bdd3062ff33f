#pragma once

#include <new>
#include <string>

#include "platform/report_sink.h"

/// Where every report goes: a message box (Window), the event log (Service), or the
/// standard streams of a console program (Console).
enum class RunModeKind { Window = 1, Service = 2, Console = 3 };

/// Set to Window as the run's very first step, to Console right after it when the
/// program is a console program, and to Service just before the process hands itself
/// to the service control manager; written before any other thread runs.
extern RunModeKind RunMode;

/// Size of the buffer that every report is formatted into, terminator included.
constexpr int ReportBufferSize = 8192;

/// Formats a configured message: the first "%s" becomes `argument` (the empty text
/// when null) and "%%" becomes '%'. Any other conversion, a second "%s" included, is
/// kept as written, so a configured text can never read a second argument. The
/// result is cut to ReportBufferSize - 1 characters.
std::string FormatReport(const char* format, const char* argument);

/// Reports `format` with its one optional argument as information.
void ReportInfo(const char* format, const char* argument = nullptr);

/// Reports `format` with its one optional argument as an error.
void ReportError(const char* format, const char* argument = nullptr);

/// Reports the system's text for the calling thread's last error as an error, an
/// insert of the text filled with `subject` (the file or step that failed). Call it
/// right after the failing platform call. When the system has no text for the code,
/// the report reads "System error N".
void ReportLastSystemError(const char* subject = nullptr);

/// Routes a finished text by RunMode; the text is shown as it stands.
void RouteReport(ReportKind kind, const char* text);

/// Reports that memory ran out, as an error with a fixed text that is routed without
/// taking any memory.
void ReportOutOfMemory();

/// Runs `work`, the whole body of an entry point (the program's, a thread's, or a
/// callback's that the system calls). Gives true when memory ran out inside it; that
/// has then been reported. Nothing of the exception leaves the entry point.
template <typename Work>
bool RanOutOfMemory(Work&& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    return true;
  }
  return false;
}
