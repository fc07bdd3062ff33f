/* Records every message box that appears and presses its OK button.
 *
 *   dialog_watcher LOG STOPFILE [yes|no]
 *
 * Appends "caption<TAB>text" lines to LOG, one per dialog, until STOPFILE exists;
 * backslash, tab, CR and LF inside them are written as \\, \t, \r and \n.
 * With "yes" or "no", a box that has that button gets it pressed instead of OK.
 * A message box is a #32770 dialog whose text is the static control 0xFFFF. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static const char* logPath;
static int answer = IDOK;

/* Writes `text` with backslash, tab, carriage return and line feed escaped, so that
 * each dialog stays one line of the log. */
static void WriteEscaped(FILE* log, const char* text) {
  for (; *text != '\0'; ++text) {
    switch (*text) {
      case '\\': fputs("\\\\", log); break;
      case '\t': fputs("\\t", log); break;
      case '\r': fputs("\\r", log); break;
      case '\n': fputs("\\n", log); break;
      default: fputc(*text, log); break;
    }
  }
}

static BOOL CALLBACK VisitWindow(HWND window, LPARAM unused) {
  char className[64];
  char caption[512];
  char text[8192];
  FILE* log;
  int i;
  (void)unused;
  if (!IsWindowVisible(window)) return TRUE;
  if (GetClassNameA(window, className, sizeof className) == 0) return TRUE;
  if (strcmp(className, "#32770") != 0) return TRUE;
  caption[0] = text[0] = '\0';
  GetWindowTextA(window, caption, sizeof caption);
  GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
  /* A box still being built has neither caption nor text yet: take it next time. */
  if (caption[0] == '\0' && text[0] == '\0') return TRUE;
  log = fopen(logPath, "ab");
  if (log != NULL) {
    WriteEscaped(log, caption);
    fputc('\t', log);
    WriteEscaped(log, text);
    fputc('\n', log);
    fclose(log);
  }
  PostMessageA(window, WM_COMMAND, GetDlgItem(window, answer) ? answer : IDOK, 0);
  /* Wait until the box has gone, so that it is recorded once; Wine may hand the next
   * box the same window handle. */
  for (i = 0; i < 250 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(20);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    fprintf(stderr, "usage: dialog_watcher LOG STOPFILE [yes|no]\n");
    return 2;
  }
  logPath = argv[1];
  if (argc == 4) answer = strcmp(argv[3], "yes") == 0 ? IDYES : IDNO;
  for (;;) {
    if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
    EnumWindows(VisitWindow, 0);
    Sleep(100);
  }
  return 0;
}
