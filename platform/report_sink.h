#pragma once

enum class ReportKind { Information, Error };

/// Shows `text` verbatim to the user and returns when the user has dismissed it: a
/// message box without owner on Windows ("Information" or "Error" as caption), the
/// standard error stream elsewhere.
void ShowReportBox(ReportKind kind, const char* text);

/// Writes `text` as one event of the service's event source: id 0x40000001 for
/// information, 0xC0000002 for errors, the text as the only insertion string. Lost
/// when no event source is registered. Elsewhere, the standard error stream.
void WriteReportEvent(ReportKind kind, const char* text);
