// Builds without Windows services: every service switch says so plainly.
#include "launcher/report.h"
#include "service/service.h"

namespace {

constexpr const char* ServicesUnsupported =
    "Running as a Windows service is not supported by this build of the launcher (service %s).";

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

void RunServiceDispatcher() { ReportError(ServicesUnsupported, ""); }
