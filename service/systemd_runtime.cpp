// The service run under systemd: the application runs in the foreground on the main
// thread, SIGTERM and SIGINT are the stop request, and the exit status tells systemd
// how the run ended.
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"
#include "hosting/stop_protocol.h"
#include "service/service.h"
#include "service/systemd_notify.h"

namespace {

// The status of a run whose application failed without a status of its own, and of
// one whose stop outlasted ServiceStopTimeout: systemd then marks the unit failed.
constexpr int FailedRunStatus = 1;

// Posted by the signal handler (sem_post may be called there), taken by the thread
// that passes the stop request on.
sem_t StopSignals;
// What decides the outcome, as in the Windows service: whether a stop was asked for,
// and whether the application failed. A stop call's own failure is reported where it
// happens and counts for nothing here.
std::atomic<bool> StopRequested{false};
std::atomic<bool> ApplicationFailed{false};
// While the runtime is being created it owns SIGTERM and SIGINT: its own handler ends
// the process through the exit hook with 128 plus the signal.
std::atomic<bool> MachineStarting{true};
// The end of the run is told once, by whoever comes first: the main thread, the
// watchdog, or the runtime's exit hook when the application calls System.exit.
std::mutex& EndLock = *new std::mutex;
bool Ended = false;

const char* ServiceNameText() { return LaunchConfig.ServiceName.c_str(); }

void FlushStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
}

// Runs the work of a thread of the service: memory running out anywhere in it ends the
// process with -1 after the report, rather than without a word.
template <typename Work>
void RunGuarded(Work work) {
  if (!RanOutOfMemory(work)) return;
  FlushStreams();
  _exit(-1);
}

void PostStopSignal(int) {
  const int saved = errno;
  sem_post(&StopSignals);
  errno = saved;
}

// The runtime installs handlers of its own for SIGTERM and SIGINT while it is created
// (they run the shutdown hooks and end the process): these take them back, so that a
// stop reaches the application through the stop protocol, as a Windows stop request
// does. Unlike ignoring the signals (which keeps the runtime off them too), handlers
// are not inherited by the processes the application starts.
void TakeStopSignals() {
  struct sigaction action {};
  action.sa_handler = PostStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

// The one place that decides how the run ends, and says so. A stop that was asked for
// is a clean stop, whatever the application or the stop call did, unless it outlasted
// its time; otherwise the application's status at System.exit (`exitStatus`, null when
// it did not call it) or its failure decides. -1: the end was told already.
int EndService(const int* exitStatus, bool timedOut) {
  std::lock_guard<std::mutex> hold(EndLock);
  if (Ended) return -1;
  Ended = true;
  int status = 0;
  if (StopRequested) {
    status = timedOut ? FailedRunStatus : 0;
  } else if (exitStatus != nullptr) {
    status = *exitStatus;
  } else if (ApplicationFailed) {
    status = FailedRunStatus;
  }
  if (exitStatus != nullptr) Trace("System.exit(%d) ends the service", *exitStatus);
  Trace("service ends with status %d", status);
  if (!StopRequested && status != 0) {
    ReportError(LaunchConfig.MsgServiceStartFailed.c_str(), ServiceNameText());
  } else {
    ReportInfo(LaunchConfig.MsgServiceStopped.c_str(), ServiceNameText());
  }
  return status;
}

// The runtime's exit hook: the process ends with `status` right after it returns.
void EndServiceAtExit(int status) {
  // The runtime's own handlers answer a stop that comes while it is being created.
  if (MachineStarting && (status == 128 + SIGTERM || status == 128 + SIGINT)) StopRequested = true;
  const int ending = EndService(&status, false);
  if (ending >= 0 && ending != status) {
    FlushStreams();
    _exit(ending);
  }
}

void RunWatchdog() {
  std::this_thread::sleep_for(std::chrono::seconds(LaunchConfig.ServiceStopTimeout));
  ReportError(LaunchConfig.MsgServiceStopTimeout.c_str(), ServiceNameText());
  const int status = EndService(nullptr, true);
  if (status < 0) return;
  // The runtime still runs: exit() would run the library's exit handlers under its
  // threads. This is the termination the message announces.
  FlushStreams();
  _exit(status);
}

// Passes the first stop signal on: systemd hears that the service stops, the stop call
// goes to the application on a thread of its own, and the watchdog bounds it. Later
// signals find the stop under way.
void WatchStopSignals() {
  for (;;) {
    while (sem_wait(&StopSignals) != 0) {
    }
    if (StopRequested.exchange(true)) {
      Trace("stop signal: a stop is under way");
      continue;
    }
    Trace("stop signal: asking the application to stop");
    NotifyServiceManager("STOPPING=1");
    std::thread([] { RunGuarded(RunStopCall); }).detach();
    std::thread([] { RunGuarded(RunWatchdog); }).detach();
  }
}

}  // namespace

int RunServiceDispatcher() {
  RunMode = RunModeKind::Service;
  MachineExitAction = EndServiceAtExit;
  MainCallAction = [] { NotifyServiceManager("READY=1"); };
  ReportInfo(LaunchConfig.MsgServiceStarted.c_str(), ServiceNameText());
  sem_init(&StopSignals, 0, 0);
  TakeStopSignals();
  std::thread([] { RunGuarded(WatchStopSignals); }).detach();

  const bool created = CreateVirtualMachine(false);
  TakeStopSignals();
  MachineStarting = false;
  MarkMachineCreated(created);
  if (!created) {
    ApplicationFailed = true;
  } else {
    ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStartOptions.c_str(), false);
    if (!InvokeApplication(arguments.Count, arguments.Vector(), false)) ApplicationFailed = true;
    // The library stays loaded: a stop call may still be inside, and the process ends
    // right after.
    FinishMachine(StopCallWaitMs);
  }
  const int status = EndService(nullptr, false);
  // The watchdog or the exit hook told the end first, and the process ends there.
  while (status < 0) pause();
  return status;
}
