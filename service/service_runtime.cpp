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
// The outcome of the last Java call: written by the worker and the stop threads, read
// by the service thread once the stop event has fired.
std::atomic<bool> ServiceOk{false};

// Where the worker's machine stands. A stop thread waits while it is being created
// and calls into it while it runs or while its destruction waits for the
// application's threads (that is how they learn to stop); once the destruction has
// returned, and after a failed creation, it leaves it alone. The stage changes, and
// stop threads enter, under MachineLock; the worker unloads the library only when
// StopCallsInside, the stop threads let in and not yet out, is back to 0.
enum MachineStage { MachinePending, MachineRunning, MachineDestroying, MachineGone };
std::atomic<int> ServiceMachine{MachinePending};
constexpr DWORD MachinePollMs = 50;
CRITICAL_SECTION MachineLock;
CONDITION_VARIABLE NoStopCallInside;
int StopCallsInside = 0;

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

void SetMachineStage(MachineStage stage) {
  EnterCriticalSection(&MachineLock);
  ServiceMachine = stage;
  LeaveCriticalSection(&MachineLock);
}

// Lets a stop thread into the machine; false when the stop call is to be skipped.
// While the machine runs, the thread attaches before the lock is left, so it counts
// among the application's threads before the worker can begin the destruction, which
// then waits for it. While the destruction waits already, the thread may still attach
// and reach the application; a machine past waiting refuses the attachment, and then
// nothing is left to stop. A refusal while it runs is the stop call's to report.
bool EnterMachine() {
  EnterCriticalSection(&MachineLock);
  const int stage = ServiceMachine;
  bool enter = stage == MachineRunning || stage == MachineDestroying;
  if (enter && !AttachStopperThread() && stage == MachineDestroying) enter = false;
  if (enter) ++StopCallsInside;
  LeaveCriticalSection(&MachineLock);
  return enter;
}

void LeaveMachine() {
  EnterCriticalSection(&MachineLock);
  if (--StopCallsInside == 0) WakeAllConditionVariable(&NoStopCallInside);
  LeaveCriticalSection(&MachineLock);
}

void RunWorker() {
  ServiceOk = true;
  ServiceOk = CreateVirtualMachine(true);
  SetMachineStage(ServiceOk ? MachineRunning : MachineGone);
  if (!ServiceOk) {
    SetEvent(ServiceStopEvent);
    return;
  }
  // This thread created the machine, so it is attached already.
  ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStartOptions.c_str(), false);
  ServiceOk = InvokeApplication(arguments.Count, arguments.Vector(), false);
  SetMachineStage(MachineDestroying);
  TearDownVirtualMachine();
  // A stop thread let in before may still be inside the library.
  EnterCriticalSection(&MachineLock);
  ServiceMachine = MachineGone;
  while (StopCallsInside > 0) SleepConditionVariableCS(&NoStopCallInside, &MachineLock, INFINITE);
  LeaveCriticalSection(&MachineLock);
  UnloadVirtualMachineLibrary();
  SetEvent(ServiceStopEvent);
}

DWORD WINAPI ServiceWorkerThread(LPVOID) {
  RunGuarded(RunWorker);
  return 0;
}

// Passes the stop request on to the application. It never signals the stop event:
// the service ends when the worker has finished or the watchdog fires.
void RunStopCall() {
  // A stop control can come while the worker is still creating the machine.
  while (ServiceMachine == MachinePending) Sleep(MachinePollMs);
  if (!EnterMachine()) return;
  if (LaunchConfig.StopServiceByExit) {
    ServiceOk = RequestApplicationExit();
  } else {
    ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStopOptions.c_str(), false);
    ServiceOk = InvokeApplication(arguments.Count, arguments.Vector(), true);
  }
  LeaveMachine();
}

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
    ServiceOk = false;
  } else if (!StartThread(ServiceWorkerThread)) {
    ReportLastSystemError();
    ServiceOk = false;
  } else {
    WaitForSingleObject(ServiceStopEvent, INFINITE);
  }

  // A stop thread may still write the outcome: the report and the exit code tell one.
  const bool succeeded = ServiceOk;
  Trace("service ends, the application %s", succeeded ? "succeeded" : "failed");
  if (succeeded) {
    ReportInfo(LaunchConfig.MsgServiceStopped.c_str(), ServiceNameText());
  } else {
    ReportError(LaunchConfig.MsgServiceStartFailed.c_str(), ServiceNameText());
  }
  if (!succeeded && LaunchConfig.ServiceRestartSeconds > 0) {
    EnterCriticalSection(&StatusLock);
    ServiceStatus.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    ServiceStatus.dwServiceSpecificExitCode = FailedRunExitCode;
    LeaveCriticalSection(&StatusLock);
  }
  SendStatus(SERVICE_STOPPED, 0);
  // The event source stays registered: a worker, stop or watchdog thread may still
  // report through it, and the process ends as soon as the dispatcher returns.
}

void WINAPI ServiceMain(DWORD, LPSTR*) { RunGuarded(RunServiceMain); }

}  // namespace

void RunServiceDispatcher() {
  RunMode = RunModeKind::Service;
  InitializeCriticalSection(&StatusLock);
  InitializeCriticalSection(&MachineLock);
  InitializeConditionVariable(&NoStopCallInside);
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
