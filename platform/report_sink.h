#pragma once

enum class ReportKind { Information, Error };

/// Shows `text` verbatim to the user and returns when the user has dismissed it: a
/// message box without owner on Windows ("Information" or "Error" as caption), the
/// standard error stream elsewhere.
void ShowReportBox(ReportKind kind, const char* text);

/// Asks the user `text` (an error that ends in a question) with the answers Yes and
/// No and gives true for Yes: an error box without owner on Windows. Where no box can
/// be shown, the text goes to the standard error stream and the answer is No.
bool AskReportQuestion(const char* text);

/// Writes `text` as one event of the service's event source: id 0x40000001 for
/// information, 0xC0000002 for errors, the text as the only insertion string. Lost
/// when no event source is registered. Elsewhere one line of the standard error
/// stream, its line breaks made blanks, behind a journal priority ("<3>", "<6>") when
/// that stream is systemd's journal.
void WriteReportEvent(ReportKind kind, const char* text);

/// Writes `text` as one line of a console program: on Windows errors to standard
/// error and information to standard output, the text as a box would show it without
/// its trailing line breaks; elsewhere standard error, after the kind ("Error: ").
/// Lost when the stream is missing.
void WriteReportLine(ReportKind kind, const char* text);
