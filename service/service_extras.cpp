// Settings of an installed service beyond its creation: failure actions and delayed
// start. Older service managers lack some of them; the service works without.
#include "service/service_extras.h"

#include "core/launch_config.h"
#include "core/trace.h"

namespace {

constexpr DWORD RestartCount = 3;
constexpr DWORD FailureCountResetSeconds = 24 * 60 * 60;
// The longest delay a 32-bit count of milliseconds holds.
constexpr int MaxDelaySeconds = 4294967;

void ChangeOrTrace(SC_HANDLE service, DWORD level, void* info, const char* what) {
  if (ChangeServiceConfig2A(service, level, info)) {
    Trace("service %s set", what);
  } else {
    Trace("service %s refused: error %lu", what, static_cast<unsigned long>(GetLastError()));
  }
}

void SetRestartOnFailure(SC_HANDLE service, int seconds) {
  SC_ACTION restart;
  restart.Type = SC_ACTION_RESTART;
  restart.Delay = static_cast<DWORD>(seconds) * 1000;
  SC_ACTION actions[RestartCount] = {restart, restart, restart};
  SERVICE_FAILURE_ACTIONSA failure{};
  failure.dwResetPeriod = FailureCountResetSeconds;
  failure.cActions = RestartCount;
  failure.lpsaActions = actions;
  ChangeOrTrace(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure, "failure actions");
  // A run that reports a non-zero exit code at its stop counts as a failure too, not
  // only a process that ends without reporting.
  SERVICE_FAILURE_ACTIONS_FLAG flag{};
  flag.fFailureActionsOnNonCrashFailures = TRUE;
  ChangeOrTrace(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag, "non-crash failure flag");
}

}  // namespace

void ApplyServiceExtras(SC_HANDLE service) {
  const LaunchConfigRecord& c = LaunchConfig;
  if (c.ServiceRestartSeconds > 0) {
    SetRestartOnFailure(service, c.ServiceRestartSeconds < MaxDelaySeconds ? c.ServiceRestartSeconds
                                                                           : MaxDelaySeconds);
  }
  if (c.ServiceDelayedStart && !c.ManualServiceStart) {
    SERVICE_DELAYED_AUTO_START_INFO delayed{};
    delayed.fDelayedAutostart = TRUE;
    ChangeOrTrace(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed, "delayed start");
  }
}
