#include "core/current_directory.h"

#include <cstring>

#include "core/launch_config.h"
#include "core/report.h"
#include "platform/directories.h"

char StartDirectory[StartDirectorySize];

namespace {

constexpr int ExecutablePathSize = 260;

// The configuration is not loaded yet when the first two steps can fail.
void ReportEarlyFileAccess(const char* what) {
  ReportLastSystemError();
  ReportError(LoadConfigString(EntryMsgFileAccess).c_str(), what);
}

bool ChangeDirectoryOrReport(const char* path) {
  if (ChangeCurrentDirectory(path)) return true;
  ReportLastSystemError();
  ReportError(LaunchConfig.MsgFileAccess.c_str(), path);
  return false;
}

}  // namespace

bool CaptureStartDirectory() {
  if (ReadCurrentDirectory(StartDirectory, sizeof StartDirectory)) return true;
  ReportEarlyFileAccess("CURRENT_DIR");
  return false;
}

bool EnterExecutableDirectory() {
  char path[ExecutablePathSize];
  if (!ReadExecutablePath(path, sizeof path)) {
    ReportEarlyFileAccess("CURRENT_EXE");
    return false;
  }
  // The platform always gives a full path; one without a separator has no directory
  // to enter, and the run stays where it started.
  char* separator = std::strrchr(path, PathSeparator);
  if (separator == nullptr) return false;
  *separator = '\0';
  if (ChangeCurrentDirectory(path)) return true;
  ReportEarlyFileAccess(path);
  return false;
}

bool ApplyWorkingDirectory(bool beforeJvm) {
  if (!beforeJvm && LaunchConfig.ReturnToStartDirectory) {
    return ChangeDirectoryOrReport(StartDirectory);
  }
  if (LaunchConfig.WorkingDirectory.empty()) return true;
  return ChangeDirectoryOrReport(LaunchConfig.WorkingDirectory.c_str());
}
