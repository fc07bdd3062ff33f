#pragma once

#include <string>
#include <vector>

/// Starts the program `arguments[0]` with the rest as its arguments, detached from the
/// caller: in a session of its own without a console or a window (DETACHED_PROCESS and
/// SW_HIDE on Windows; setsid elsewhere), at below-normal priority, with its standard
/// streams on the null device, no handle or descriptor of the caller's inherited, and
/// nobody waiting for it. The caller's memory is never copied (posix_spawn elsewhere),
/// so a caller with a large heap pays no more than a small one. False when it could
/// not be started, with the reason in the last system error.
bool StartDetachedProcess(const std::vector<std::string>& arguments);

/// Runs the program `arguments[0]` with the rest as its arguments in `directory`,
/// without a window, at below-normal priority, its standard output and error written
/// to the file `outputPath` (created or emptied), and waits for its end. `*status`
/// receives its exit code, or -1 when a signal ended it. False when it could not be
/// started (also when `directory` cannot be entered), with the reason in the last
/// system error.
bool RunChildProcess(const std::vector<std::string>& arguments, const char* directory,
                     const char* outputPath, int* status);

/// Whether a process with the id `processId` runs (also one that belongs to another
/// user); not one that has ended and that its parent has not waited for yet.
bool ProcessIsRunning(unsigned long processId);

/// Removes the variable `name` from the environment that the processes started
/// afterwards inherit.
void DropEnvironmentVariable(const char* name);
