#include "core/report.h"
#include "service/service.h"
#include "tests/fakes/recorded_reports.h"

FakeServiceState FakeService;

int IsServiceInstalled(const char* name) {
  FakeService.Calls.push_back(std::string("IsServiceInstalled ") + name);
  return FakeService.Installed;
}

int InstallService(const char* name, const char* description) {
  FakeService.Calls.push_back(std::string("InstallService ") + name + " " + description);
  return FakeService.InstallResult;
}

int UninstallService(const char* name) {
  FakeService.Calls.push_back(std::string("UninstallService ") + name);
  return FakeService.UninstallResult;
}

int RunServiceDispatcher() {
  FakeService.Calls.push_back("RunServiceDispatcher");
  RunMode = RunModeKind::Service;
  return FakeService.DispatcherResult;
}
