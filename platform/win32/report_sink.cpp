#include "platform/report_sink.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/text_encoding.h"
#include "platform/win32/event_source.h"

HANDLE EventSource = nullptr;

namespace {

constexpr DWORD InformationEventId = 0x40000001;
constexpr DWORD ErrorEventId = 0xC0000002;

// A console shows text in its own code page, not the ANSI one the texts are in: text
// for a console is converted to UTF-16 and written as such. Text for a file or pipe
// goes as it is.
void WriteToStream(HANDLE stream, const std::string& text) {
  DWORD mode;
  DWORD written;
  if (GetConsoleMode(stream, &mode)) {
    const std::u16string wide = TextToUtf16(text.c_str());
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

void ShowReportBox(ReportKind kind, const char* text) {
  if (kind == ReportKind::Information) {
    MessageBoxA(nullptr, text, "Information", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  } else {
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }
}

bool AskReportQuestion(const char* text) {
  return MessageBoxA(nullptr, text, "Error", MB_YESNO | MB_ICONERROR | MB_SETFOREGROUND) == IDYES;
}

void WriteReportEvent(ReportKind kind, const char* text) {
  if (EventSource == nullptr) return;
  const bool info = kind == ReportKind::Information;
  const char* strings[] = {text};
  ReportEventA(EventSource, info ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE, 0,
               info ? InformationEventId : ErrorEventId, nullptr, 1, 0, strings, nullptr);
}

void WriteReportLine(ReportKind kind, const char* text) {
  HANDLE stream =
      GetStdHandle(kind == ReportKind::Information ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  // The system's error texts end in a line break of their own.
  std::size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
  WriteToStream(stream, std::string(text, length) + "\r\n");
}
