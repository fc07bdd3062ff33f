#include "platform/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

// The nice value of a process started below normal priority.
constexpr int BelowNormalNice = 10;

// posix_spawn starts the program without copying the caller: a caller that hosts a
// runtime with a large heap would otherwise copy its page tables on its own clock.
// The child gets its signals unblocked and at their defaults (the caller may be a
// runtime's thread with signals blocked or ignored), the null device or `output` as
// its standard streams, and no other descriptor of the caller's. False with errno set
// when the program could not be started (also a directory that cannot be entered).
bool Spawn(const std::vector<std::string>& arguments, const char* directory, int output,
           bool newSession, pid_t* child) {
  if (arguments.empty()) {
    errno = EINVAL;
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDWR, 0);
  posix_spawn_file_actions_adddup2(&actions, output >= 0 ? output : 0, 1);
  posix_spawn_file_actions_adddup2(&actions, output >= 0 ? output : 0, 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (directory != nullptr) posix_spawn_file_actions_addchdir_np(&actions, directory);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                            (newSession ? POSIX_SPAWN_SETSID : 0));
  const int failed = posix_spawn(child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    errno = failed;
    return false;
  }
  // No spawn attribute sets a nice value, so it is set as the program begins, before
  // it starts threads of its own, which inherit it.
  setpriority(PRIO_PROCESS, static_cast<id_t>(*child), BelowNormalNice);
  return true;
}

}  // namespace

bool StartDetachedProcess(const std::vector<std::string>& arguments) {
  // Nobody waits for it: once the caller has ended, init adopts it.
  pid_t child = 0;
  return Spawn(arguments, nullptr, -1, true, &child);
}

bool RunChildProcess(const std::vector<std::string>& arguments, const char* directory,
                     const char* outputPath, int* status) {
  const int output = open(outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (output < 0) return false;
  pid_t child = 0;
  const bool started = Spawn(arguments, directory, output, false, &child);
  const int error = errno;
  close(output);
  if (!started) {
    errno = error;
    return false;
  }
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0) {
    if (errno != EINTR) return false;
  }
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return true;
}

bool ProcessIsRunning(unsigned long processId) {
  if (kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM) return false;
  // A process that has ended but that its parent has not waited for yet (a zombie)
  // still has its id: the third field of its stat line says "Z".
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%lu/stat", processId);
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return true;
  char line[512];
  const bool read = std::fgets(line, sizeof line, file) != nullptr;
  std::fclose(file);
  // The name in parentheses may hold blanks and parentheses: the state follows the last ')'.
  const char* end = read ? std::strrchr(line, ')') : nullptr;
  return end == nullptr || std::strncmp(end, ") Z", 3) != 0;
}

void DropEnvironmentVariable(const char* name) { unsetenv(name); }
