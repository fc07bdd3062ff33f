/* Prints what the service manager answers about a service's extra settings.
 *
 *   service_config NAME
 *
 * One line per setting, as QueryServiceConfig2A gives it, or "error=N" when it does
 * not answer:
 *   failure_actions reset=N actions=TYPE/DELAY,...
 *   delayed_start N
 *   failure_flag N */
#include <stdio.h>
#include <windows.h>

static BOOL Query(SC_HANDLE service, DWORD level, BYTE* buffer, DWORD size, const char* name) {
  DWORD needed = 0;
  if (QueryServiceConfig2A(service, level, buffer, size, &needed)) return TRUE;
  printf("%s error=%lu\n", name, GetLastError());
  return FALSE;
}

int main(int argc, char** argv) {
  static BYTE buffer[8192];
  SC_HANDLE manager, service;
  if (argc != 2) {
    fprintf(stderr, "usage: service_config NAME\n");
    return 2;
  }
  manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
  service = manager ? OpenServiceA(manager, argv[1], SERVICE_QUERY_CONFIG) : NULL;
  if (!service) {
    fprintf(stderr, "service_config: cannot open %s: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  if (Query(service, SERVICE_CONFIG_FAILURE_ACTIONS, buffer, sizeof buffer, "failure_actions")) {
    const SERVICE_FAILURE_ACTIONSA* failure = (const SERVICE_FAILURE_ACTIONSA*)buffer;
    DWORD i;
    printf("failure_actions reset=%lu actions=", failure->dwResetPeriod);
    for (i = 0; i < failure->cActions; ++i) {
      printf("%s%d/%lu", i ? "," : "", (int)failure->lpsaActions[i].Type,
             failure->lpsaActions[i].Delay);
    }
    printf("\n");
  }
  if (Query(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, buffer, sizeof buffer,
            "delayed_start")) {
    printf("delayed_start %d\n",
           (int)((SERVICE_DELAYED_AUTO_START_INFO*)buffer)->fDelayedAutostart);
  }
  if (Query(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, buffer, sizeof buffer, "failure_flag")) {
    printf("failure_flag %d\n",
           (int)((SERVICE_FAILURE_ACTIONS_FLAG*)buffer)->fFailureActionsOnNonCrashFailures);
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}
