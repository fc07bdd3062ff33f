// The service run: dispatcher, service entry, control handler, worker, stop and
// watchdog threads.
#include <windows.h>

#include <atomic>

#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"
#include "launcher/launch_config.h"
#include "launcher/report.h"
#include "launcher/split_arguments.h"
#include "launcher/trace.h"
#include "platform/win32/event_source.h"
#include "service/service.h"

namespace {

constexpr DWORD StopWaitHintMs = 40000;
constexpr DWORD StopTimeoutMs = 30000;

SERVICE_STATUS ServiceStatus;
SERVICE_STATUS_HANDLE ServiceStatusHandle = nullptr;
// Auto-reset; signalled by the worker when it ends and by each watchdog. It is never
// closed: a late worker or watchdog may still signal it while the process ends.
HANDLE ServiceStopEvent = nullptr;
// The outcome of the last Java call: written by the worker and the stop threads, read
// by the service thread once the stop event has fired.
std::atomic<bool> ServiceOk{false};

// Where the worker's machine stands, so that a stop thread never attaches to a
// machine that is still being created, failed to be created, or is being destroyed.
enum MachineStage { MachinePending, MachineRunning, MachineGone };
std::atomic<int> ServiceMachine{MachinePending};
constexpr DWORD MachinePollMs = 50;

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

DWORD WINAPI ServiceWorkerThread(LPVOID) {
  ServiceOk = true;
  ServiceOk = CreateVirtualMachine(true);
  ServiceMachine = ServiceOk ? MachineRunning : MachineGone;
  if (!ServiceOk) {
    SetEvent(ServiceStopEvent);
    return 0;
  }
  // This thread created the machine, so it is attached already.
  ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStartOptions.c_str(), false);
  ServiceOk = InvokeApplication(arguments.Count, arguments.Vector(), false);
  // The destruction waits for the application's threads, which the stop call may
  // still have to reach; only after it is the machine gone.
  DestroyVirtualMachine();
  ServiceMachine = MachineGone;
  SetEvent(ServiceStopEvent);
  return 0;
}

// Passes the stop request on to the application. It never signals the stop event:
// the service ends when the worker has finished or the watchdog fires.
DWORD WINAPI ServiceStopThread(LPVOID) {
  // A stop control can come while the worker is still creating the machine.
  while (ServiceMachine == MachinePending) Sleep(MachinePollMs);
  if (ServiceMachine == MachineGone) return 0;
  if (LaunchConfig.StopServiceByExit) {
    ServiceOk = RequestApplicationExit();
    return 0;
  }
  ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStopOptions.c_str(), false);
  ServiceOk = InvokeApplication(arguments.Count, arguments.Vector(), true);
  return 0;
}

DWORD WINAPI ServiceStopWatchdog(LPVOID) {
  Sleep(StopTimeoutMs);
  ReportError(LaunchConfig.MsgServiceStopTimeout.c_str(), ServiceNameText());
  SetEvent(ServiceStopEvent);
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
    ServiceStatus.dwCurrentState = SERVICE_STOP_PENDING;
    ServiceStatus.dwWaitHint = StopWaitHintMs;
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

void WINAPI ServiceMain(DWORD, LPSTR*) {
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
    ServiceOk = false;
  } else if (!StartThread(ServiceWorkerThread)) {
    ReportLastSystemError();
    ServiceOk = false;
  } else {
    WaitForSingleObject(ServiceStopEvent, INFINITE);
  }

  Trace("service ends, the application %s", ServiceOk ? "succeeded" : "failed");
  if (ServiceOk) {
    ReportInfo(LaunchConfig.MsgServiceStopped.c_str(), ServiceNameText());
  } else {
    ReportError(LaunchConfig.MsgServiceStartFailed.c_str(), ServiceNameText());
  }
  SendStatus(SERVICE_STOPPED, 0);
  // The event source stays registered: a worker, stop or watchdog thread may still
  // report through it, and the process ends as soon as the dispatcher returns.
}

}  // namespace

void RunServiceDispatcher() {
  RunMode = RunModeKind::Service;
  InitializeCriticalSection(&StatusLock);
  std::string name = LaunchConfig.ServiceName;
  SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherA(table)) return;

  // Not started by the service manager (a command prompt, say): the only place to tell
  // is the event log. Registering the source must not replace the error reported.
  const DWORD error = GetLastError();
  EventSource = RegisterEventSourceA(nullptr, ServiceNameText());
  if (EventSource == nullptr) return;
  SetLastError(error);
  ReportLastSystemError();
  DeregisterEventSource(EventSource);
  EventSource = nullptr;
}
