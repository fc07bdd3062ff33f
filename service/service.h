#pragma once

/// Whether the service `name` is installed: 1 yes, 0 no, -1 cannot be told (nothing
/// reported).
int IsServiceInstalled(const char* name);

/// Installs this executable as the service `name` with its event source; the
/// description is written when not empty. 0 on success, -1 after a reported failure.
int InstallService(const char* name, const char* description);

/// Removes the service `name`. 0 on success, -1 after a reported failure.
int UninstallService(const char* name);

/// Runs the service on the calling (main) thread and gives the process's exit status.
/// Sets RunMode to Service first. On Windows it hands the thread to the service control
/// manager and returns 0 when the service has ended, or at once when the process was
/// not started as a service. Under systemd it runs the application in the foreground,
/// SIGTERM or SIGINT asking it to stop, and gives 0 for a stop that was asked for, the
/// application's own System.exit status, or 1 for a failure or a stop that outlasted
/// ServiceStopTimeout.
int RunServiceDispatcher();
