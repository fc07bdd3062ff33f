/* Starts a program, waits for it and prints its full 32-bit exit code, which Wine
 * cuts to 8 bits on the way to the shell.
 *
 *   run_exit_code [--inherit | --together N | --in-row N] DIRECTORY COMMANDLINE
 *
 * The command line is passed on in UTF-16, so that characters outside the ANSI code
 * page arrive as typed. Prints "exit=0xXXXXXXXX" and exits 0, or exits 1 when the
 * program cannot start. With --inherit the program gets this one's standard input,
 * output and error, as a program started at a command prompt does. With --together it
 * starts N copies at once and waits for all of them; with --in-row it runs N copies
 * one after the other. Either prints one line per copy, in the order they were
 * started. */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

static int Start(const wchar_t* directory, const wchar_t* command, BOOL inherit,
                 PROCESS_INFORMATION* process) {
  STARTUPINFOW startup;
  wchar_t* line = _wcsdup(command); /* CreateProcessW may write to the command line */
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (inherit) {
    DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE* handles[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
    int i;
    for (i = 0; i < 3; ++i) {
      *handles[i] = GetStdHandle(streams[i]);
      SetHandleInformation(*handles[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    fflush(stdout);
  }
  BOOL started = line && CreateProcessW(NULL, line, NULL, NULL, inherit, 0, NULL, directory,
                                        &startup, process);
  free(line);
  if (!started) fprintf(stderr, "run_exit_code: cannot start: error %lu\n", GetLastError());
  return started;
}

static void Finish(PROCESS_INFORMATION* process) {
  DWORD code = 0;
  WaitForSingleObject(process->hProcess, INFINITE);
  GetExitCodeProcess(process->hProcess, &code);
  CloseHandle(process->hProcess);
  CloseHandle(process->hThread);
  printf("exit=0x%08lX\n", code);
  fflush(stdout);
}

int wmain(int argc, wchar_t** argv) {
  int copies = 1;
  int together = 0;
  BOOL inherit = FALSE;
  int first = 1;
  if (argc == 4 && wcscmp(argv[1], L"--inherit") == 0) {
    inherit = TRUE;
    first = 2;
  } else if (argc == 5 &&
             (wcscmp(argv[1], L"--together") == 0 || wcscmp(argv[1], L"--in-row") == 0)) {
    together = wcscmp(argv[1], L"--together") == 0;
    copies = _wtoi(argv[2]);
    first = 3;
  }
  if (argc != first + 2 || copies < 1) {
    fprintf(stderr,
            "usage: run_exit_code [--inherit | --together N | --in-row N] DIRECTORY "
            "COMMANDLINE\n");
    return 2;
  }
  PROCESS_INFORMATION* processes = calloc((size_t)copies, sizeof *processes);
  if (!processes) return 1;
  for (int i = 0; i < copies; ++i) {
    if (!Start(argv[first], argv[first + 1], inherit, &processes[i])) return 1;
    if (!together) Finish(&processes[i]);
  }
  for (int i = 0; together && i < copies; ++i) Finish(&processes[i]);
  free(processes);
  return 0;
}
