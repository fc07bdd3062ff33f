#pragma once

#include <string>
#include <vector>

/// The hidden switch with which the launcher starts itself to make a start-up
/// archive: "<switch> make <request>" makes it (detached, after the application's
/// run), "<switch> dump <request> <folder>" and "<switch> check <request> <folder>"
/// are the two runtimes that the making starts in turn.
extern const char StartupArchiveSwitch[];

/// The command line that makes the archive of the request file `request`.
std::vector<std::string> MakerCommandLine(const std::string& executable,
                                          const std::string& request);

/// Whether the `count` slots of `vector` (slot 0 reserved) are the hidden switch with
/// a role and a request.
bool IsStartupArchiveRun(int count, char** vector);

/// Plays the role that the hidden switch names and gives the process's exit code:
/// for the dump and the check, 0 when the runtime did its work. Reports nothing; the
/// trace says what became of the archive.
int RunStartupArchiveRole(int count, char** vector);
