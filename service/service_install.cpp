// Installation and removal of the Windows service, with its event-log registration.
#include <windows.h>

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "platform/directories.h"
#include "service/service.h"
#include "service/service_extras.h"

namespace {

constexpr const char* EventLogKeyPrefix =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
constexpr const char* ServicesKeyPrefix = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr DWORD AllEventTypes =
    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

// Registry writers. The root is HKEY_LOCAL_MACHINE wherever they are used.

// The registry calls return their error code rather than setting the thread's last
// error; the caller reports the last error, so each failure puts its code there.
int KeepRegistryError(LONG result, int failed) {
  SetLastError(static_cast<DWORD>(result));
  return failed;
}

/// 0 when `subkey` exists afterwards (created along its path if need be), -1 otherwise.
int CreateRegistryKey(HKEY root, const char* subkey) {
  HKEY key;
  DWORD disposition;
  const LONG created = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (created != ERROR_SUCCESS) return KeepRegistryError(created, -1);
  RegCloseKey(key);
  return 0;
}

/// Sets one value of an existing key: 0 set, -1 the key cannot be opened, 1 the value
/// cannot be set.
int WriteRegistryValue(HKEY root, const char* subkey, const char* valueName, DWORD type,
                       const BYTE* data, DWORD size) {
  HKEY key;
  const LONG opened = RegOpenKeyExA(root, subkey, 0, KEY_WRITE, &key);
  if (opened != ERROR_SUCCESS) return KeepRegistryError(opened, -1);
  const LONG set = RegSetValueExA(key, valueName, 0, type, data, size);
  RegCloseKey(key);
  if (set != ERROR_SUCCESS) return KeepRegistryError(set, 1);
  return 0;
}

/// A REG_EXPAND_SZ value, its terminating NUL counted in the data length.
int WriteRegistryExpandString(HKEY root, const char* subkey, const char* valueName,
                              const char* text) {
  return WriteRegistryValue(root, subkey, valueName, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(lstrlenA(text) + 1));
}

/// A REG_DWORD value.
int WriteRegistryDword(HKEY root, const char* subkey, const char* valueName, DWORD value) {
  return WriteRegistryValue(root, subkey, valueName, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), sizeof value);
}

int FailWithLastError() {
  ReportLastSystemError();
  return -1;
}

// The service's command line: the executable's path quoted, so that a path with blanks
// stays one program name for the service manager, and the service switch.
std::string ServiceCommandLine(const char* path) {
  return std::string("\"") + path + "\" " + LaunchConfig.ServiceSwitch;
}

// The description as the service's registry value (REG_EXPAND_SZ); none when empty.
bool WriteServiceDescription(const char* name, const char* description) {
  if (description == nullptr || description[0] == '\0') return true;
  const std::string serviceKey = std::string(ServicesKeyPrefix) + name;
  return WriteRegistryExpandString(HKEY_LOCAL_MACHINE, serviceKey.c_str(), "Description",
                                   description) == 0;
}

// The service's event source: this executable's message table for every event type.
bool WriteEventSource(const char* name, const char* path) {
  const std::string eventKey = std::string(EventLogKeyPrefix) + name;
  return CreateRegistryKey(HKEY_LOCAL_MACHINE, eventKey.c_str()) == 0 &&
         WriteRegistryExpandString(HKEY_LOCAL_MACHINE, eventKey.c_str(), "EventMessageFile",
                                   path) == 0 &&
         WriteRegistryDword(HKEY_LOCAL_MACHINE, eventKey.c_str(), "TypesSupported",
                            AllEventTypes) == 0;
}

// Closes the handles of a failed step (null ones are skipped) and reports the error
// of that step, which closing them must not replace.
int FailClosing(SC_HANDLE first, SC_HANDLE second = nullptr) {
  const DWORD error = GetLastError();
  if (second != nullptr) CloseServiceHandle(second);
  CloseServiceHandle(first);
  SetLastError(error);
  return FailWithLastError();
}

}  // namespace

int IsServiceInstalled(const char* name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (manager == nullptr) return -1;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_CONFIG);
  if (service != nullptr) {
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 1;
  }
  const int result = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : -1;
  CloseServiceHandle(manager);
  return result;
}

int InstallService(const char* name, const char* description) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (manager == nullptr) return FailWithLastError();

  // A path that does not fit would register another file as the service.
  char path[MAX_PATH];
  if (!ReadExecutablePath(path, sizeof path)) return FailClosing(manager);
  const std::string command = ServiceCommandLine(path);

  const DWORD startType =
      LaunchConfig.ManualServiceStart ? SERVICE_DEMAND_START : SERVICE_AUTO_START;
  SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                     command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (service == nullptr) return FailClosing(manager);
  ApplyServiceExtras(service);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);

  return WriteEventSource(name, path) && WriteServiceDescription(name, description)
             ? 0
             : FailWithLastError();
}

int CompleteInstalledService(const char* name, const char* description) {
  char path[MAX_PATH];
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service =
      manager == nullptr ? nullptr : OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
  // An installer's table may write the path unquoted (Wine's does): the same command
  // line as the install switch writes replaces it.
  const bool changed = service != nullptr && ReadExecutablePath(path, sizeof path) &&
                       ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                            SERVICE_NO_CHANGE, ServiceCommandLine(path).c_str(),
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  // The description and the event source as the install switch writes them, where a
  // table writes another type (wixl has no REG_EXPAND_SZ).
  const bool completed =
      changed && WriteServiceDescription(name, description) && WriteEventSource(name, path);
  const DWORD error = GetLastError();
  if (changed) ApplyServiceExtras(service);
  if (completed) {
    Trace("service %s: command line %s", name, ServiceCommandLine(path).c_str());
  } else {
    Trace("service %s cannot be completed: error %lu", name, static_cast<unsigned long>(error));
  }
  if (service != nullptr) CloseServiceHandle(service);
  if (manager != nullptr) CloseServiceHandle(manager);
  return completed ? 0 : -1;
}

int UninstallService(const char* name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return FailWithLastError();
  SC_HANDLE service = OpenServiceA(manager, name, DELETE);
  if (service == nullptr) return FailClosing(manager);
  if (!DeleteService(service)) return FailClosing(manager, service);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}
