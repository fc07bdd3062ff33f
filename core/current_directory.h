#pragma once

/// Size of StartDirectory, terminator included.
constexpr int StartDirectorySize = 261;

/// The directory that was current when the process started.
extern char StartDirectory[StartDirectorySize];

/// Records the current directory in StartDirectory; reports and gives false when it
/// cannot be read.
bool CaptureStartDirectory();

/// Makes the executable's directory current; reports and gives false on failure.
bool EnterExecutableDirectory();

/// Makes the directory current in which the application starts: StartDirectory when
/// `beforeJvm` is false and ReturnToStartDirectory is set, else WorkingDirectory when
/// it is not empty. False after a reported failure.
bool ApplyWorkingDirectory(bool beforeJvm);
