#pragma once

/// Whether the service `name` is installed: 1 yes, 0 no, -1 cannot be told (nothing
/// reported).
int IsServiceInstalled(const char* name);

/// Installs this executable as the service `name` with its event source; the
/// description is written when not empty. 0 on success, -1 after a reported failure.
int InstallService(const char* name, const char* description);

/// Removes the service `name`. 0 on success, -1 after a reported failure.
int UninstallService(const char* name);

/// Hands the calling (main) thread to the service control manager and returns when
/// the service has ended, or at once when the process was not started as a service.
/// Sets RunMode to Service first.
void RunServiceDispatcher();
