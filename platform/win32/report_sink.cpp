#include "platform/report_sink.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/event_source.h"

HANDLE EventSource = nullptr;

namespace {

constexpr DWORD InformationEventId = 0x40000001;
constexpr DWORD ErrorEventId = 0xC0000002;
// The longest line written: a report's buffer holds no more.
constexpr std::size_t ReportLineLimit = 8192;

// Nothing here takes memory: the report that memory ran out comes this way too.
// A console shows text in its own code page, not the ANSI one the texts are in: text
// for a console is converted to UTF-16 as TextToUtf16 does it, into a buffer of its
// own, and written as such. Text for a file or pipe goes as it is.
void WriteToStream(HANDLE stream, const char* text, std::size_t length) {
  DWORD mode;
  DWORD written;
  if (length > ReportLineLimit) length = ReportLineLimit;
  if (!GetConsoleMode(stream, &mode)) {
    char line[ReportLineLimit + 2];
    std::memcpy(line, text, length);
    std::memcpy(line + length, "\r\n", 2);
    WriteFile(stream, line, static_cast<DWORD>(length + 2), &written, nullptr);
    return;
  }
  // No code page makes more UTF-16 units of a text than it has bytes.
  wchar_t wide[ReportLineLimit + 2];
  int units = length == 0 ? 0
                          : MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide,
                                                static_cast<int>(ReportLineLimit));
  if (units < 0) units = 0;
  wide[units++] = L'\r';
  wide[units++] = L'\n';
  WriteConsoleW(stream, wide, static_cast<DWORD>(units), &written, nullptr);
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
  WriteToStream(stream, text, length);
}
