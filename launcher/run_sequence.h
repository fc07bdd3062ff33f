#pragma once

#include "launcher/split_arguments.h"
#include "platform/instance_mutex.h"

/// Size of StartDirectory, terminator included.
constexpr int StartDirectorySize = 261;

/// The directory that was current when the process started.
extern char StartDirectory[StartDirectorySize];

/// The held single-instance mutex; null when none was created.
extern InstanceMutexHandle InstanceMutex;

/// The command line without the program name: leading blanks and tabs skipped, a
/// quoted name ending after its closing quote (or at the end), any other name at the
/// first blank or tab, then blanks and tabs skipped.
const char* SkipProgramName(const char* commandLine);
/// The same for the wide (UTF-16) command line.
const char16_t* SkipProgramName(const char16_t* commandLine);

/// The run from the split command line (slot 0 reserved, slots 1 onward the
/// arguments) to the process's exit code. RunMode must already be Window.
int RunLauncher(ArgumentVector& arguments);

/// Records the current directory in StartDirectory; reports and gives false when it
/// cannot be read.
bool CaptureStartDirectory();

/// Makes the executable's directory current; reports and gives false on failure.
bool EnterExecutableDirectory();

/// Handles a lone service switch among `count` slots (slot 0 reserved). True when the
/// argument was a switch and has been handled; false when it goes to the application.
bool DispatchServiceSwitch(int count, char** vector);

/// Makes the directory current in which the application starts: StartDirectory when
/// `beforeJvm` is false and ReturnToStartDirectory is set, else WorkingDirectory when
/// it is not empty. False after a reported failure.
bool ApplyWorkingDirectory(bool beforeJvm);
