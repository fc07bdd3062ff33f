/* Lists the processes of one program and the top-level windows on the desktop, so
 * that a test can watch what a program shows.
 *
 *   window_probe [-hidden] [EXE]
 *
 * The first line is "screen<TAB>WIDTH<TAB>HEIGHT" (the primary screen). With EXE, a
 * line "process<TAB>PID" follows for every process whose executable name is EXE
 * (compared without regard to case), and only their windows are listed. Then one
 * line per visible top-level window (every top-level window with -hidden):
 *
 *   window<TAB>PID<TAB>VISIBLE<TAB>CLASS<TAB>CAPTION<TAB>LEFT<TAB>TOP<TAB>RIGHT<TAB>BOTTOM
 *
 * VISIBLE is 1 or 0; tabs and line breaks in a caption are written as blanks. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
/* After windows.h, which it needs. */
#include <tlhelp32.h>

enum { kMaxProcesses = 256 };

static int withHidden;
static int filtered;
static DWORD processes[kMaxProcesses];
static int processCount;

/* Collects the processes that run the executable named `name`. */
static void FindProcesses(const char* name) {
  PROCESSENTRY32 entry;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    /* Some systems give the full path: compare the last component. */
    const char* base = strrchr(entry.szExeFile, '\\');
    if (lstrcmpiA(base != NULL ? base + 1 : entry.szExeFile, name) == 0 &&
        processCount < kMaxProcesses) {
      processes[processCount++] = entry.th32ProcessID;
    }
  }
  CloseHandle(snapshot);
}

static int Wanted(DWORD pid) {
  if (!filtered) return 1;
  for (int i = 0; i < processCount; ++i)
    if (processes[i] == pid) return 1;
  return 0;
}

static void Flatten(char* text) {
  for (; *text != '\0'; ++text)
    if (*text == '\t' || *text == '\r' || *text == '\n') *text = ' ';
}

static BOOL CALLBACK VisitWindow(HWND window, LPARAM unused) {
  char className[256];
  char caption[512];
  DWORD pid = 0;
  RECT rect;
  int visible = IsWindowVisible(window) ? 1 : 0;
  (void)unused;
  if (!visible && !withHidden) return TRUE;
  GetWindowThreadProcessId(window, &pid);
  if (!Wanted(pid)) return TRUE;
  className[0] = caption[0] = '\0';
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  Flatten(caption);
  if (!GetWindowRect(window, &rect)) memset(&rect, 0, sizeof rect);
  printf("window\t%lu\t%d\t%s\t%s\t%ld\t%ld\t%ld\t%ld\n", pid, visible, className, caption,
         rect.left, rect.top, rect.right, rect.bottom);
  return TRUE;
}

int main(int argc, char** argv) {
  int i = 1;
  if (i < argc && strcmp(argv[i], "-hidden") == 0) {
    withHidden = 1;
    ++i;
  }
  if (i < argc) {
    filtered = 1;
    FindProcesses(argv[i++]);
  }
  if (i != argc) {
    fprintf(stderr, "usage: window_probe [-hidden] [EXE]\n");
    return 2;
  }
  printf("screen\t%d\t%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  for (int k = 0; k < processCount; ++k) printf("process\t%lu\n", processes[k]);
  EnumWindows(VisitWindow, 0);
  fflush(stdout);
  return 0;
}
