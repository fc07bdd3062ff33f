#include "platform/report_sink.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The longest event line: a report's buffer holds no more.
constexpr std::size_t EventLineLimit = 8192;

const char* KindName(ReportKind kind) {
  return kind == ReportKind::Information ? "Information" : "Error";
}

// Linux has neither message boxes nor an event log: every route ends on standard
// error, where a terminal or a service manager's journal shows it.
void WriteToStandardError(ReportKind kind, const char* text) {
  std::fprintf(stderr, "%s: %s\n", KindName(kind), text);
  std::fflush(stderr);
}

// Whether standard error is systemd's journal: systemd names the stream it connects
// in JOURNAL_STREAM as "device:inode".
bool StandardErrorIsJournal() {
  const char* named = std::getenv("JOURNAL_STREAM");
  struct stat stream;
  if (named == nullptr || fstat(2, &stream) != 0) return false;
  char* end = nullptr;
  const unsigned long long device = std::strtoull(named, &end, 10);
  if (end == named || *end != ':') return false;
  const char* inode = end + 1;
  const unsigned long long node = std::strtoull(inode, &end, 10);
  return end != inode && *end == '\0' && device == stream.st_dev && node == stream.st_ino;
}

}  // namespace

void ShowReportBox(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }

bool AskReportQuestion(const char* text) {
  WriteToStandardError(ReportKind::Error, text);
  return false;
}

// A service's log: one line per report, its line breaks made blanks, so that each
// message is one journal entry; in the journal behind the priority prefix of
// sd-daemon(3) (<3> error, <6> information), elsewhere behind the kind. Nothing here
// takes memory: the report that memory ran out comes this way too.
void WriteReportEvent(ReportKind kind, const char* text) {
  char line[EventLineLimit + 1];
  std::size_t length = 0;
  for (; text[length] != '\0' && length < EventLineLimit; ++length) {
    line[length] = text[length] == '\n' || text[length] == '\r' ? ' ' : text[length];
  }
  while (length > 0 && line[length - 1] == ' ') --length;
  line[length] = '\0';
  if (StandardErrorIsJournal()) {
    std::fprintf(stderr, "%s%s\n", kind == ReportKind::Information ? "<6>" : "<3>", line);
  } else {
    std::fprintf(stderr, "%s: %s\n", KindName(kind), line);
  }
  std::fflush(stderr);
}

void WriteReportLine(ReportKind kind, const char* text) { WriteToStandardError(kind, text); }
