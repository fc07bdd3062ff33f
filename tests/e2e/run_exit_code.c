/* Starts a program, waits for it and prints its full 32-bit exit code, which Wine
 * cuts to 8 bits on the way to the shell.
 *
 *   run_exit_code DIRECTORY COMMANDLINE
 *
 * The command line is passed on in UTF-16, so that characters outside the ANSI code
 * page arrive as typed. Prints "exit=0xXXXXXXXX" and exits 0, or exits 1 when the
 * program cannot start. */
#include <stdio.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  DWORD code = 0;
  if (argc != 3) {
    fprintf(stderr, "usage: run_exit_code DIRECTORY COMMANDLINE\n");
    return 2;
  }
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessW(NULL, argv[2], NULL, NULL, FALSE, 0, NULL, argv[1], &startup, &process)) {
    fprintf(stderr, "run_exit_code: cannot start: error %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  printf("exit=0x%08lX\n", code);
  fflush(stdout);
  return 0;
}
