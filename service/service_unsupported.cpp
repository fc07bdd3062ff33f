// Builds without Windows services (Linux): every service switch says so plainly.
#include "core/launch_config.h"
#include "core/report.h"
#include "service/service.h"

namespace {

constexpr const char* ServicesUnsupported =
    "Windows services are not supported on Linux: this build of the launcher cannot install, "
    "remove or run the service %s.";

}  // namespace

int IsServiceInstalled(const char*) { return 0; }

int InstallService(const char* name, const char*) {
  ReportError(ServicesUnsupported, name);
  return -1;
}

int UninstallService(const char* name) {
  ReportError(ServicesUnsupported, name);
  return -1;
}

void RunServiceDispatcher() { ReportError(ServicesUnsupported, LaunchConfig.ServiceName.c_str()); }
