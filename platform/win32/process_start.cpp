#include "platform/process_start.h"

#include <windows.h>

namespace {

// Each argument in double quotes, as the launcher's own splitter and the C runtime's
// read them; a Windows path holds no double quote.
std::string CommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += '"' + argument + '"';
  }
  return line;
}

// A process in a job that allows it leaves the job, so that closing the job (as a
// terminal or a service host may do) does not end it; a job that forbids it keeps it.
bool Create(std::string line, DWORD flags, BOOL inherit, STARTUPINFOA* startup,
            const char* directory, PROCESS_INFORMATION* process) {
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, inherit,
                     flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, directory, startup, process)) {
    return true;
  }
  return CreateProcessA(nullptr, &line[0], nullptr, nullptr, inherit, flags, nullptr, directory,
                        startup, process) != 0;
}

}  // namespace

bool StartDetachedProcess(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!Create(CommandLine(arguments),
              DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | BELOW_NORMAL_PRIORITY_CLASS, FALSE,
              &startup, nullptr, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool RunChildProcess(const std::vector<std::string>& arguments, const char* directory,
                     const char* outputPath, int* status) {
  if (arguments.empty()) return false;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE output = CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return false;
  HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const bool started =
      Create(CommandLine(arguments), CREATE_NO_WINDOW | BELOW_NORMAL_PRIORITY_CLASS, TRUE, &startup,
             directory, &process);
  const DWORD error = GetLastError();
  CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    SetLastError(error);
    return false;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  // An exception that ended the process leaves its code, such as 0xC0000005.
  *status = (code & 0xC0000000u) == 0xC0000000u ? -1 : static_cast<int>(code);
  return true;
}

bool ProcessIsRunning(unsigned long processId) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

void DropEnvironmentVariable(const char* name) { SetEnvironmentVariableA(name, nullptr); }
