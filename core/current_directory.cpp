#include "core/current_directory.h"

#include "core/launch_config.h"
#include "core/report.h"
#include "platform/directories.h"
#include "platform/file_system.h"

std::string StartDirectory;

namespace {

// The configuration is not loaded yet when the first two steps can fail.
void ReportEarlyFileAccess(const char* what) {
  ReportLastSystemError(what);
  ReportError(LoadConfigString(EntryMsgFileAccess).c_str(), what);
}

bool ChangeDirectoryOrReport(const char* path) {
  if (ChangeCurrentDirectory(path)) return true;
  ReportLastSystemError(path);
  ReportError(LaunchConfig.MsgFileAccess.c_str(), path);
  return false;
}

}  // namespace

bool CaptureStartDirectory() {
  if (ReadCurrentDirectory(&StartDirectory)) return true;
  ReportEarlyFileAccess("CURRENT_DIR");
  return false;
}

bool EnterExecutableDirectory() {
  std::string path;
  if (!ReadExecutablePath(&path)) {
    ReportEarlyFileAccess("CURRENT_EXE");
    return false;
  }
  std::string resolved;
  if (ResolveFinalPath(path.c_str(), &resolved)) path = resolved;
  // The platform always gives a full path; one without a separator has no directory
  // to enter, and the run stays where it started.
  const std::size_t separator = path.rfind(PathSeparator);
  if (separator == std::string::npos) return false;
  path.resize(separator);
  // A drive's root keeps its separator: "C:" alone names that drive's own directory.
  if (path.empty() || path.back() == ':') path += PathSeparator;
  if (ChangeCurrentDirectory(path.c_str())) return true;
  ReportEarlyFileAccess(path.c_str());
  return false;
}

bool ApplyWorkingDirectory(bool beforeJvm) {
  if (!beforeJvm && LaunchConfig.ReturnToStartDirectory) {
    return ChangeDirectoryOrReport(StartDirectory.c_str());
  }
  if (LaunchConfig.WorkingDirectory.empty()) return true;
  return ChangeDirectoryOrReport(LaunchConfig.WorkingDirectory.c_str());
}

std::string AbsoluteAgainst(const std::string& directory, const std::string& path) {
  if (directory.empty() || IsAbsolutePath(path.c_str())) return path;
  if (directory.back() == PathSeparator) return directory + path;
  return directory + PathSeparator + path;
}

std::string MakeAbsolute(const std::string& path) {
  std::string directory;
  if (!ReadCurrentDirectory(&directory)) return path;
  return AbsoluteAgainst(directory, path);
}
