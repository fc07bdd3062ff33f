#include "launcher/run_sequence.h"

#include <cstring>
#include <string>

#include "launcher/launch_config.h"
#include "launcher/report.h"
#include "platform/directories.h"
#include "service/service.h"

char StartDirectory[StartDirectorySize];
InstanceMutexHandle InstanceMutex = nullptr;

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

template <typename Char>
const Char* SkipName(const Char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace

const char* SkipProgramName(const char* commandLine) { return SkipName(commandLine); }

const char16_t* SkipProgramName(const char16_t* commandLine) { return SkipName(commandLine); }

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

bool DispatchServiceSwitch(int count, char** vector) {
  if (count != 2) return false;
  const std::string argument = vector[1];
  const LaunchConfigRecord& c = LaunchConfig;
  const char* name = c.ServiceName.c_str();
  if (argument == c.InstallSwitch) {
    const int installed = IsServiceInstalled(name);
    if (installed == 1) {
      ReportError(c.MsgServiceAlreadyInstalled.c_str(), name);
    } else if (installed == 0 && InstallService(name, c.ServiceDescription.c_str()) == 0) {
      ReportInfo(c.MsgServiceInstalled.c_str(), name);
    }
    return true;
  }
  if (argument == c.UninstallSwitch) {
    if (UninstallService(name) == 0) ReportInfo(c.MsgServiceUninstalled.c_str(), name);
    return true;
  }
  if (argument == c.ServiceSwitch) {
    RunServiceDispatcher();
    return true;
  }
  return false;
}

bool ApplyWorkingDirectory(bool beforeJvm) {
  if (!beforeJvm && LaunchConfig.ReturnToStartDirectory) {
    return ChangeDirectoryOrReport(StartDirectory);
  }
  if (LaunchConfig.WorkingDirectory.empty()) return true;
  return ChangeDirectoryOrReport(LaunchConfig.WorkingDirectory.c_str());
}
