#include "launcher/run_sequence.h"

#include <string>

#include "core/current_directory.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"
#include "hosting/startup_archive_maker.h"
#include "launcher/service_switch.h"
#include "one_file/embedded_archives.h"
#include "platform/console.h"
#include "platform/instance_mutex.h"
#include "splash/splash.h"

InstanceMutexHandle InstanceMutex = nullptr;

namespace {

// Gives true when another instance holds the mutex; otherwise takes it (a failure
// to create it leaves the run without single-instance protection). Of two launchers
// started at once both may find no mutex: the one whose creation finds it made
// already is the second.
bool RefuseSecondInstance() {
  if (LaunchConfig.AllowMultipleInstances) return false;
  // An application known by its archive alone is known by the archive's name; a
  // backslash would make the name a path the system refuses.
  std::string name = LaunchConfig.MainClass;
  if (name.empty()) name = LaunchConfig.MainJar;
  for (char& ch : name) {
    if (ch == '\\') ch = '/';
  }
  if (!InstanceMutexExists(name.c_str()) &&
      CreateInstanceMutex(name.c_str(), &InstanceMutex) != 1) {
    return false;
  }
  Trace("another instance holds the mutex %s", name.c_str());
  ReportError(LaunchConfig.MsgAlreadyRunning.c_str());
  return true;
}

int Launch(ArgumentVector& arguments) {
  if (IsStartupArchiveRun(arguments.Count, arguments.Vector())) {
    return RunStartupArchiveRole(arguments.Count, arguments.Vector());
  }
  if (IsEmbeddedArchivesRun(arguments.Count, arguments.Vector())) {
    return RunEmbeddedArchivesRole(arguments.Count, arguments.Vector());
  }
  // A failure reported is never a success: the run ends as a launch that failed.
  if (!CaptureStartDirectory()) return -1;
  EnterExecutableDirectory();
  LoadLaunchConfig();
  int serviceExitCode = 0;
  if (!LaunchConfig.ServiceName.empty() &&
      DispatchServiceSwitch(arguments.Count, arguments.Vector(), &serviceExitCode)) {
    return serviceExitCode;
  }
  if (RefuseSecondInstance()) return 0;
  if (LaunchConfig.SplashUntilWindow || LaunchConfig.SplashSeconds != 0) StartSplash();
  if (!CreateVirtualMachine(false)) return -1;
  const bool invoked =
      InvokeApplication(arguments.Count - 1, arguments.Vector() + 1, false, arguments.JavaVector());
  DestroyVirtualMachine();
  if (InstanceMutex != nullptr) CloseInstanceMutex(InstanceMutex);
  return invoked ? 0 : -1;
}

}  // namespace

int RunLauncher(ArgumentVector& arguments) {
  if (IsConsoleProgram()) RunMode = RunModeKind::Console;
  StartTrace();
  if (RunMode == RunModeKind::Console) Trace("console program: reports go to its streams");
  const int code = Launch(arguments);
  Trace("exit code %d", code);
  return code;
}
