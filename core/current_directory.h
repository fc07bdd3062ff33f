#pragma once

#include <string>

/// The directory that was current when the process started, however long.
extern std::string StartDirectory;

/// Records the current directory in StartDirectory; reports and gives false when it
/// cannot be read.
bool CaptureStartDirectory();

/// Makes the executable's directory current: the directory of the file that the
/// executable's path finally leads to, so that a launcher started through a link finds
/// what lies beside the file itself. Reports and gives false on failure.
bool EnterExecutableDirectory();

/// Makes the directory current in which the application starts: StartDirectory when
/// `beforeJvm` is false and ReturnToStartDirectory is set, else WorkingDirectory when
/// it is not empty. False after a reported failure.
bool ApplyWorkingDirectory(bool beforeJvm);

/// `path` as a path that does not depend on the current directory: `directory`, a
/// separator and `path` when `path` is relative; `path` itself when it is absolute or
/// `directory` is empty.
std::string AbsoluteAgainst(const std::string& directory, const std::string& path);

/// `path` made absolute against the directory current now (AbsoluteAgainst); as it
/// stands when that directory cannot be read.
std::string MakeAbsolute(const std::string& path);
