// The service run: dispatcher, service entry, control handler, worker, stop and
// watchdog threads.
#include <windows.h>

#include <atomic>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"
#include "hosting/stop_protocol.h"
#include "platform/win32/event_source.h"
#include "service/service.h"

namespace {

// The stop-pending report promises the service manager the watchdog's time and 10
// seconds more.
constexpr DWORD StopWaitHintMarginMs = 10000;
// The longest watchdog that leaves its wait hint within a 32-bit count of milliseconds.
constexpr DWORD MaxStopTimeoutSeconds = 4294957;
// The application's failure as the stopped report tells it when failure actions are
// configured: the service manager then counts the run as failed and restarts it.
constexpr DWORD FailedRunExitCode = 1;

DWORD StopTimeoutMs() {
  const DWORD seconds = static_cast<DWORD>(LaunchConfig.ServiceStopTimeout);
  return (seconds < MaxStopTimeoutSeconds ? seconds : MaxStopTimeoutSeconds) * 1000;
}

SERVICE_STATUS ServiceStatus;
SERVICE_STATUS_HANDLE ServiceStatusHandle = nullptr;
// Auto-reset; signalled by the worker when it ends and by each watchdog. It is never
// closed: a late worker or watchdog may still signal it while the process ends.
HANDLE ServiceStopEvent = nullptr;
// What decides the outcome: whether the service manager asked for a stop (written by
// the control handler) and whether the application failed (written by the service
// thread and the worker). A stop call's own failure is reported where it happens and
// counts for nothing here.
std::atomic<bool> StopRequested{false};
std::atomic<bool> ApplicationFailed{false};
// The end of the run is reported once, by whoever comes first: the service thread, or
// the runtime's exit hook when the application ends the process with System.exit.
CRITICAL_SECTION EndLock;
bool Ended = false;

// The service thread and the control handler (on the main thread) both change the
// status record and send it; each change and its report happen under this lock, so
// the service manager never receives a record half written by the other thread.
CRITICAL_SECTION StatusLock;

void SendStatus(DWORD state, DWORD waitHint) {
  EnterCriticalSection(&StatusLock);
  ServiceStatus.dwCurrentState = state;
  ServiceStatus.dwWaitHint = waitHint;
  SetServiceStatus(ServiceStatusHandle, &ServiceStatus);
  LeaveCriticalSection(&StatusLock);
}

// Starts a thread whose handle is not needed; false (with the last error set) when it
// cannot be created.
bool StartThread(LPTHREAD_START_ROUTINE procedure) {
  DWORD id;
  HANDLE thread = CreateThread(nullptr, 0, procedure, nullptr, 0, &id);
  if (thread == nullptr) return false;
  CloseHandle(thread);
  return true;
}

const char* ServiceNameText() { return LaunchConfig.ServiceName.c_str(); }

// Runs the work of a service thread: memory running out anywhere in it ends the
// process with -1 after the report, rather than without a word.
template <typename Work>
void RunGuarded(Work work) {
  if (RanOutOfMemory(work)) ExitProcess(static_cast<UINT>(-1));
}

// The one place that decides how the run ends, and says so: in the event log and in
// the stopped report. A stop that the service manager asked for is a clean stop,
// whatever the application or the stop call did. Otherwise the application's status
// at System.exit (`exitStatus`, null when it did not call it) or its failure decides;
// a failure without a status of its own carries an exit code only when failure actions
// are to restart the service.
void EndService(const int* exitStatus) {
  EnterCriticalSection(&EndLock);
  if (Ended) {
    LeaveCriticalSection(&EndLock);
    return;
  }
  Ended = true;
  DWORD code = 0;
  bool failed = false;
  if (StopRequested) {
    failed = false;
  } else if (exitStatus != nullptr) {
    failed = *exitStatus != 0;
    code = static_cast<DWORD>(*exitStatus);
  } else if (ApplicationFailed) {
    failed = true;
    if (LaunchConfig.ServiceRestartSeconds > 0) code = FailedRunExitCode;
  }
  if (exitStatus != nullptr) Trace("System.exit(%d) ends the service", *exitStatus);
  Trace("service ends, the application %s", failed ? "failed" : "succeeded");
  if (failed) {
    ReportError(LaunchConfig.MsgServiceStartFailed.c_str(), ServiceNameText());
  } else {
    ReportInfo(LaunchConfig.MsgServiceStopped.c_str(), ServiceNameText());
  }
  if (code != 0) {
    EnterCriticalSection(&StatusLock);
    ServiceStatus.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    ServiceStatus.dwServiceSpecificExitCode = code;
    LeaveCriticalSection(&StatusLock);
  }
  SendStatus(SERVICE_STOPPED, 0);
  LeaveCriticalSection(&EndLock);
}

// The runtime's exit hook: the process ends right after it, without the stopped report
// of the service thread, and the service manager would count that as a failure.
void EndServiceAtExit(int status) { EndService(&status); }

void RunWorker() {
  const bool created = CreateVirtualMachine(true);
  MarkMachineCreated(created);
  if (!created) {
    ApplicationFailed = true;
    SetEvent(ServiceStopEvent);
    return;
  }
  // This thread created the machine, so it is attached already.
  ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStartOptions.c_str(), false);
  if (!InvokeApplication(arguments.Count, arguments.Vector(), false)) ApplicationFailed = true;
  // The library stays loaded: a stop call may still be inside, and the process ends
  // right after the stopped report.
  FinishMachine(StopCallWaitMs);
  SetEvent(ServiceStopEvent);
}

DWORD WINAPI ServiceWorkerThread(LPVOID) {
  RunGuarded(RunWorker);
  return 0;
}

// Passes the stop request on to the application. It never signals the stop event:
// the service ends when the worker has finished or the watchdog fires.
DWORD WINAPI ServiceStopThread(LPVOID) {
  RunGuarded(RunStopCall);
  return 0;
}

DWORD WINAPI ServiceStopWatchdog(LPVOID) {
  RunGuarded([] {
    Sleep(StopTimeoutMs());
    ReportError(LaunchConfig.MsgServiceStopTimeout.c_str(), ServiceNameText());
    SetEvent(ServiceStopEvent);
  });
  return 0;
}

void WINAPI ServiceControlHandler(DWORD control) {
  Trace("service control %lu", static_cast<unsigned long>(control));
  if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) {
    EnterCriticalSection(&StatusLock);
    SetServiceStatus(ServiceStatusHandle, &ServiceStatus);
    LeaveCriticalSection(&StatusLock);
    return;
  }
  EnterCriticalSection(&StatusLock);
  // A control that arrives after the stopped report must not take the service back
  // to stop-pending, nor start threads into a machine that is going away.
  const bool stopped = ServiceStatus.dwCurrentState == SERVICE_STOPPED;
  if (!stopped) {
    StopRequested = true;
    ServiceStatus.dwCurrentState = SERVICE_STOP_PENDING;
    ServiceStatus.dwWaitHint = StopTimeoutMs() + StopWaitHintMarginMs;
  }
  SetServiceStatus(ServiceStatusHandle, &ServiceStatus);
  LeaveCriticalSection(&StatusLock);
  if (stopped) return;

  if (!StartThread(ServiceStopThread)) ReportLastSystemError();
  if (!StartThread(ServiceStopWatchdog)) {
    ReportLastSystemError();
    SetEvent(ServiceStopEvent);
  }
}

void RunServiceMain() {
  EventSource = RegisterEventSourceA(nullptr, ServiceNameText());
  if (EventSource == nullptr) return;
  ServiceStatusHandle = RegisterServiceCtrlHandlerA(ServiceNameText(), ServiceControlHandler);
  ReportInfo(LaunchConfig.MsgServiceStarted.c_str(), ServiceNameText());

  // The event exists before the running report makes stop controls possible, so a
  // handler that has to end the service at once always finds it; its failure is
  // reported in its place after the running report.
  ServiceStopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const DWORD eventError = GetLastError();

  EnterCriticalSection(&StatusLock);
  ServiceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  ServiceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
  ServiceStatus.dwWin32ExitCode = 0;
  ServiceStatus.dwServiceSpecificExitCode = 0;
  ServiceStatus.dwCheckPoint = 0;
  LeaveCriticalSection(&StatusLock);
  SendStatus(SERVICE_RUNNING, 0);

  if (ServiceStopEvent == nullptr) {
    SetLastError(eventError);
    ReportLastSystemError();
    ApplicationFailed = true;
  } else if (!StartThread(ServiceWorkerThread)) {
    ReportLastSystemError();
    ApplicationFailed = true;
  } else {
    WaitForSingleObject(ServiceStopEvent, INFINITE);
  }
  EndService(nullptr);
  // The event source stays registered: a worker, stop or watchdog thread may still
  // report through it, and the process ends as soon as the dispatcher returns.
}

void WINAPI ServiceMain(DWORD, LPSTR*) { RunGuarded(RunServiceMain); }

}  // namespace

int RunServiceDispatcher() {
  RunMode = RunModeKind::Service;
  InitializeCriticalSection(&StatusLock);
  InitializeCriticalSection(&EndLock);
  MachineExitAction = EndServiceAtExit;
  std::string name = LaunchConfig.ServiceName;
  SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherA(table)) return 0;

  // Not started by the service manager (a command prompt, say): the only place to tell
  // is the event log. Registering the source must not replace the error reported.
  const DWORD error = GetLastError();
  EventSource = RegisterEventSourceA(nullptr, ServiceNameText());
  if (EventSource == nullptr) return 0;
  SetLastError(error);
  ReportLastSystemError();
  DeregisterEventSource(EventSource);
  EventSource = nullptr;
  return 0;
}
