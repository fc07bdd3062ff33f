// Installation and removal of the service under systemd: the unit file in
// /etc/systemd/system, then systemctl. Where that cannot be done (no root, no systemd
// running) the launcher says so and prints the unit for installing it by hand.
//
// For tests, CORVANE_SYSTEMD_UNIT_DIR names the folder of the unit instead, and
// CORVANE_SYSTEMCTL a program run in systemctl's place; systemd then counts as running.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "core/launch_config.h"
#include "core/report.h"
#include "platform/child_process.h"
#include "platform/directories.h"
#include "platform/environment.h"
#include "service/service.h"
#include "service/systemd_unit.h"

namespace {

std::string UnitPath(const char* name) {
  const char* folder = ReadEnvironmentVariable("CORVANE_SYSTEMD_UNIT_DIR");
  return std::string(folder != nullptr && folder[0] != '\0' ? folder : "/etc/systemd/system") +
         "/" + name + ".service";
}

const char* StandInSystemctl() {
  const char* program = ReadEnvironmentVariable("CORVANE_SYSTEMCTL");
  return program != nullptr && program[0] != '\0' ? program : nullptr;
}

// The test sd_booted(3) makes: systemd runs when it has made this folder.
bool SystemdRuns() {
  struct stat folder;
  return StandInSystemctl() != nullptr ||
         (lstat("/run/systemd/system", &folder) == 0 && S_ISDIR(folder.st_mode));
}

// Runs systemctl with `arguments`; false after reporting what it said.
bool RunSystemctl(const std::vector<std::string>& arguments) {
  std::vector<std::string> command;
  if (StandInSystemctl() != nullptr) {
    command.push_back(StandInSystemctl());
  } else {
    command.push_back(access("/usr/bin/systemctl", X_OK) == 0 ? "/usr/bin/systemctl"
                                                              : "/bin/systemctl");
  }
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::string output;
  const int status = RunProgram(command, &output);
  if (status == 0) return true;
  std::string said;
  for (const std::string& argument : command) said += (said.empty() ? "" : " ") + argument;
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  said += status < 0 ? " could not be started: " : " failed: ";
  RouteReport(ReportKind::Error, (said + output).c_str());
  return false;
}

// Says why the unit cannot be written here, and prints it for installing it by hand.
int ReportUnitByHand(const std::string& why, const std::string& unit, const std::string& path) {
  RouteReport(ReportKind::Error,
              (why + "; to install it by hand, save the unit below as " + path).c_str());
  std::fputs(unit.c_str(), stdout);
  std::fflush(stdout);
  return -1;
}

// Whether the service can be changed here; otherwise says why. `doing` is "Installing"
// or "Removing".
bool MayChangeServices(const char* doing, const char* name, std::string* why) {
  const std::string service = std::string(" the service ") + name;
  if (geteuid() != 0) {
    *why = doing + service + " needs root (run it with sudo)";
  } else if (!SystemdRuns()) {
    *why = doing + service + " needs systemd, which does not run here";
  } else {
    return true;
  }
  return false;
}

int FailWithLastError(const std::string& path) {
  ReportLastSystemError();
  ReportError(LaunchConfig.MsgFileAccess.c_str(), path.c_str());
  return -1;
}

}  // namespace

int IsServiceInstalled(const char* name) {
  struct stat unit;
  if (lstat(UnitPath(name).c_str(), &unit) == 0) return 1;
  return errno == ENOENT ? 0 : -1;
}

int InstallService(const char* name, const char*) {
  if (!IsSystemdUnitName(name)) {
    ReportError(
        "The service name %s cannot name a systemd unit: use letters, digits and "
        ":-_. only.",
        name);
    return -1;
  }
  char executable[PATH_MAX];
  if (!ReadExecutablePath(executable, sizeof executable))
    return FailWithLastError("/proc/self/exe");
  const std::string path = UnitPath(name);
  const std::string unit = SystemdUnitText(LaunchConfig, executable);
  std::string why;
  if (!MayChangeServices("Installing", name, &why)) return ReportUnitByHand(why, unit, path);

  // Written whole under another name and renamed: systemd never reads half a unit.
  const std::string temporary = path + ".corvane-tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "w");
  if (file == nullptr) return FailWithLastError(temporary);
  bool written = std::fputs(unit.c_str(), file) >= 0;
  written = std::fclose(file) == 0 && written;
  if (!written || chmod(temporary.c_str(), 0644) != 0 ||
      rename(temporary.c_str(), path.c_str()) != 0) {
    const int failure = errno;
    unlink(temporary.c_str());
    errno = failure;
    return FailWithLastError(path);
  }
  if (!RunSystemctl({"daemon-reload"})) return -1;
  if (!LaunchConfig.ManualServiceStart && !RunSystemctl({"enable", std::string(name) + ".service"}))
    return -1;
  return 0;
}

int UninstallService(const char* name) {
  const std::string path = UnitPath(name);
  std::string why;
  if (!MayChangeServices("Removing", name, &why)) {
    RouteReport(ReportKind::Error, why.c_str());
    return -1;
  }
  if (IsServiceInstalled(name) == 0) {
    RouteReport(ReportKind::Error,
                ("The service " + std::string(name) + " is not installed: " + path + " is missing")
                    .c_str());
    return -1;
  }
  // As on Windows, a running service is not stopped: it ends when it is stopped.
  if (!RunSystemctl({"disable", std::string(name) + ".service"})) return -1;
  if (unlink(path.c_str()) != 0) return FailWithLastError(path);
  return RunSystemctl({"daemon-reload"}) ? 0 : -1;
}
