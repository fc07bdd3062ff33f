#include "launcher/service_switch.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "service/service.h"

bool DispatchServiceSwitch(int count, char** vector, int* exitCode) {
  if (count != 2) return false;
  *exitCode = 0;
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
    *exitCode = RunServiceDispatcher();
    return true;
  }
  return false;
}
