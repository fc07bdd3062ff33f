#include "platform/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// After fork only async-signal-safe calls: the caller may be a runtime with many
// threads. Everything is prepared before.
std::vector<char*> ArgumentPointers(const std::vector<std::string>& arguments) {
  std::vector<char*> pointers;
  for (const std::string& argument : arguments)
    pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

void CloseInheritedDescriptors() {
  const long limit = sysconf(_SC_OPEN_MAX);
  for (int fd = 3; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd) close(fd);
}

[[noreturn]] void ExecuteChild(char* const* argv, int output, bool lowerPriority) {
  const int null = open("/dev/null", O_RDWR);
  dup2(null, 0);
  dup2(output >= 0 ? output : null, 1);
  dup2(output >= 0 ? output : null, 2);
  CloseInheritedDescriptors();
  if (lowerPriority) setpriority(PRIO_PROCESS, 0, 10);
  execv(argv[0], argv);
  _exit(127);
}

}  // namespace

bool StartDetachedProcess(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  std::vector<char*> argv = ArgumentPointers(arguments);
  const pid_t first = fork();
  if (first < 0) return false;
  if (first == 0) {
    // The second fork leaves a child that no process waits for and init adopts.
    setsid();
    if (fork() == 0) ExecuteChild(argv.data(), -1, true);
    _exit(0);
  }
  int status = 0;
  while (waitpid(first, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunChildProcess(const std::vector<std::string>& arguments, const char* directory,
                     const char* outputPath, int* status) {
  if (arguments.empty()) return false;
  const int output = open(outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (output < 0) return false;
  std::vector<char*> argv = ArgumentPointers(arguments);
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory) != 0) _exit(127);
    ExecuteChild(argv.data(), output, true);
  }
  close(output);
  if (child < 0) return false;
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0) {
    if (errno != EINTR) return false;
  }
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return true;
}

bool ProcessIsRunning(unsigned long processId) {
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

void DropEnvironmentVariable(const char* name) { unsetenv(name); }
