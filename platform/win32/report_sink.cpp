#include "platform/report_sink.h"

#include <windows.h>

#include "platform/win32/event_source.h"

HANDLE EventSource = nullptr;

namespace {

constexpr DWORD InformationEventId = 0x40000001;
constexpr DWORD ErrorEventId = 0xC0000002;

}  // namespace

void ShowReportBox(ReportKind kind, const char* text) {
  if (kind == ReportKind::Information) {
    MessageBoxA(nullptr, text, "Information", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  } else {
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }
}

void WriteReportEvent(ReportKind kind, const char* text) {
  if (EventSource == nullptr) return;
  const bool info = kind == ReportKind::Information;
  const char* strings[] = {text};
  ReportEventA(EventSource, info ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE, 0,
               info ? InformationEventId : ErrorEventId, nullptr, 1, 0, strings, nullptr);
}
