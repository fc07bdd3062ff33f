#pragma once

#include <string>
#include <vector>

/// The file-name ending of programs on this platform: ".exe" on Windows, empty elsewhere.
extern const char* const ProgramSuffix;

/// Runs the program `arguments[0]` (a path) with the rest as its arguments, each passed
/// as one argument whatever it holds, and waits for it. Its standard output and error
/// both land in `output`, in the order written. Gives its exit code, or -1 when it could
/// not be started, with the reason in `output`.
int RunProgram(const std::vector<std::string>& arguments, std::string* output);
