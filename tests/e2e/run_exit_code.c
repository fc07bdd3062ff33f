/* Starts a program, waits for it and prints its full 32-bit exit code, which Wine
 * cuts to 8 bits on the way to the shell.
 *
 *   run_exit_code [--inherit] DIRECTORY COMMANDLINE
 *
 * The command line is passed on in UTF-16, so that characters outside the ANSI code
 * page arrive as typed. With --inherit the program gets this one's standard input,
 * output and error, as a program started at a command prompt does. Prints
 * "exit=0xXXXXXXXX" and exits 0, or exits 1 when the program cannot start. */
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  DWORD code = 0;
  BOOL inherit = argc == 4 && wcscmp(argv[1], L"--inherit") == 0;
  if (argc != 3 && !inherit) {
    fprintf(stderr, "usage: run_exit_code [--inherit] DIRECTORY COMMANDLINE\n");
    return 2;
  }
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
  if (!CreateProcessW(NULL, argv[argc - 1], NULL, NULL, inherit, 0, NULL, argv[argc - 2],
                      &startup, &process)) {
    fprintf(stderr, "run_exit_code: cannot start: error %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  printf("exit=0x%08lX\n", code);
  fflush(stdout);
  return 0;
}
