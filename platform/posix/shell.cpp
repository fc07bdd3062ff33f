#include "platform/shell.h"

#include <spawn.h>

#include <cerrno>

extern char** environ;

// The desktop's opener runs on its own; the launcher does not wait for it.
bool OpenWithShell(const char* target) {
  pid_t child;
  char opener[] = "xdg-open";
  char* arguments[] = {opener, const_cast<char*>(target), nullptr};
  const int failed = posix_spawnp(&child, opener, nullptr, nullptr, arguments, environ);
  if (failed != 0) errno = failed;
  return failed == 0;
}
