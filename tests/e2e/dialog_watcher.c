/* Records every message box that appears and presses its OK button.
 *
 *   dialog_watcher LOG STOPFILE
 *
 * Appends "caption<TAB>text" lines to LOG, one per dialog, until STOPFILE exists.
 * A message box is a #32770 dialog whose text is the static control 0xFFFF. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static const char* logPath;

/* A dialog that was answered can stay visible for a moment: each is recorded once. */
static HWND answered[1024];
static int answeredCount;

static int WasAnswered(HWND window) {
  int i;
  for (i = 0; i < answeredCount; ++i) {
    if (answered[i] == window) return 1;
  }
  if (answeredCount < 1024) answered[answeredCount++] = window;
  return 0;
}

static BOOL CALLBACK VisitWindow(HWND window, LPARAM unused) {
  char className[64];
  char caption[512];
  char text[8192];
  FILE* log;
  (void)unused;
  if (!IsWindowVisible(window)) return TRUE;
  if (GetClassNameA(window, className, sizeof className) == 0) return TRUE;
  if (strcmp(className, "#32770") != 0) return TRUE;
  if (WasAnswered(window)) return TRUE;
  caption[0] = text[0] = '\0';
  GetWindowTextA(window, caption, sizeof caption);
  GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
  log = fopen(logPath, "ab");
  if (log != NULL) {
    fprintf(log, "%s\t%s\n", caption, text);
    fclose(log);
  }
  PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: dialog_watcher LOG STOPFILE\n");
    return 2;
  }
  logPath = argv[1];
  for (;;) {
    if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
    EnumWindows(VisitWindow, 0);
    Sleep(100);
  }
  return 0;
}
