#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/registry.h"

/// Size of RegistryJavaHome, terminator included.
constexpr int RegistryJavaHomeSize = 260;

/// The Java home of the last registered runtime version that passed the version
/// test; empty while the registry search has not run or no version passed.
extern char RegistryJavaHome[RegistryJavaHomeSize];

/// One line for each runtime candidate that the searches of the last LocateRuntime have
/// seen and passed over (a version or machine that does not fit): its version, where it
/// lies and why, for the no-runtime report.
extern std::vector<std::string> PassedOverRuntimes;

/// Notes a candidate passed over: "Java VERSION at WHERE: REASON", or "Java of unknown
/// version at WHERE: REASON" when `version` is empty; a line noted already is not noted
/// again.
void NotePassedOverRuntime(const std::string& version, const std::string& where,
                           const std::string& reason);

/// Size of the buffer that receives a runtime library path, terminator included.
constexpr std::size_t RuntimePathSize = 260;

/// Size of a registry key path buffer (a key, a backslash and a version name) and of
/// a version name buffer, terminators included.
constexpr std::size_t RegistryKeyPathSize = 256;
constexpr std::size_t RegistryVersionNameSize = 256;

/// Finds the Java runtime library. LaunchConfig.RuntimeSearchMode above 3 runs the
/// registry search first and the configured search only when it finds nothing;
/// otherwise the other way round. True: LaunchConfig.RuntimeLibrary now holds the path
/// of a library file that could be opened, made absolute against the directory current
/// during the search, so that neither a later change of directory nor the runtime
/// (which finds its home from its library's path) takes it elsewhere. False: MsgNoRuntime
/// has been reported (ReportNoRuntime).
bool LocateRuntime();

/// The configured search: the first ';'-separated entry of LaunchConfig.RuntimeLibrary
/// that is a file that can be opened for reading is copied into `result` of `size`
/// bytes; an entry that is a directory stands for the library FindHomeLibrary finds
/// below it, as a runtime's home. A library that PassesConfiguredChecks refuses is
/// passed over. Empty entries, and entries too long for `result`, are skipped. Cuts RuntimeLibrary
/// in place as NextToken walks it.
bool SearchConfiguredRuntime(char* result, std::size_t size);

/// The registry search: walks the Java runtime and development kit keys below
/// HKEY_LOCAL_MACHINE that LaunchConfig.RuntimeSearchMode selects, for each the
/// "CurrentVersion" first and then every subkey in enumeration order, until
/// TryRuntimeVersion accepts one. Silent: nothing is reported.
bool SearchRegistryRuntime(char* result, std::size_t size);

/// Examines the registered version `version` below `keyPath`, a writable buffer of
/// RegistryKeyPathSize bytes holding a registry key path; the path is extended by a
/// backslash and the version while the version's values are read and is given back
/// unchanged. A version that passes the version test against LaunchConfig.JniVersion
/// clears and re-reads RegistryJavaHome. True when a library was found for it; its
/// path is then in `result`.
bool TryRuntimeVersion(char* keyPath, const char* version, char* result, std::size_t size);

/// Reads the string value `name` of the key `path` below `root` into `buffer` of `size`
/// bytes, always terminated. 0: read and a string (an expandable string is taken
/// unexpanded). 1: missing, unreadable, not a string, or too long for the buffer with
/// its terminator; the buffer is then empty. -1: the key cannot be opened; the buffer
/// is left alone.
int ReadRegistryString(RegistryRoot root, const char* path, const char* name, char* buffer,
                       std::size_t size);
