#include "platform/child_process.h"

#include <windows.h>

const char* const ProgramSuffix = ".exe";

namespace {

// One argument quoted so that the C runtime's command-line parser gives it back
// unchanged: backslashes double only where a quote follows them.
void AppendQuoted(const std::string& argument, std::string* line) {
  if (!line->empty()) line->push_back(' ');
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    line->append(argument);
    return;
  }
  line->push_back('"');
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line->append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line->push_back(c);
  }
  line->append(2 * backslashes, '\\');
  line->push_back('"');
}

std::string SystemText(DWORD code) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  return text;
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, std::string* output) {
  output->clear();
  std::string line;
  for (const std::string& argument : arguments) AppendQuoted(argument, &line);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    *output = SystemText(GetLastError());
    return -1;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(arguments[0].c_str(), &line[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  const DWORD startError = GetLastError();
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    *output = SystemText(startError);
    return -1;
  }
  char buffer[8192];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output->append(buffer, got);
  }
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}
