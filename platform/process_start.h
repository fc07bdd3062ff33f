#pragma once

#include <string>
#include <vector>

/// Starts the program `arguments[0]` with the rest as its arguments, detached from the
/// caller: in a session of its own without a console or a window (DETACHED_PROCESS and
/// SW_HIDE on Windows; setsid elsewhere), at below-normal priority, with its standard
/// streams on the null device, no handle or descriptor of the caller's inherited, and
/// nobody waiting for it. False when it could not be started.
bool StartDetachedProcess(const std::vector<std::string>& arguments);

/// Runs the program `arguments[0]` with the rest as its arguments in `directory`,
/// without a window, at below-normal priority, its standard output and error written
/// to the file `outputPath` (created or emptied), and waits for its end. `*status`
/// receives its exit code, or -1 when a signal ended it. False when it could not be
/// started.
bool RunChildProcess(const std::vector<std::string>& arguments, const char* directory,
                     const char* outputPath, int* status);

/// Whether a process with the id `processId` exists (also one that belongs to
/// another user).
bool ProcessIsRunning(unsigned long processId);

/// Removes the variable `name` from the environment that the processes started
/// afterwards inherit.
void DropEnvironmentVariable(const char* name);
