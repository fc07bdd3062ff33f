#pragma once

/// Whether the service `name` is installed: 1 yes, 0 no, -1 cannot be told (nothing
/// reported).
int IsServiceInstalled(const char* name);

/// Installs this executable as the service `name` with its event source; the
/// description is written when not empty. 0 on success, -1 after a reported failure.
int InstallService(const char* name, const char* description);

/// Removes the service `name`. 0 on success, -1 after a reported failure.
int UninstallService(const char* name);

/// The hidden switch with which an installer that has registered the service itself
/// (an MSI's ServiceInstall table) has the launcher complete it: a lone argument, as
/// the service switches are.
inline constexpr char ServiceSettingsSwitch[] = "--corvane-service-settings";

/// Gives the installed service `name` what InstallService gives it beyond what an
/// installer's tables hold: the command line of the quoted path of this executable with
/// the service switch, the description and the event source written as InstallService
/// writes them, and the failure actions and delayed start of the launch configuration.
/// Reports nothing (it runs inside an installer, where nobody answers a box); the trace
/// says what was set. 0 on success, -1 when the service cannot be changed. A systemd
/// unit holds every setting already: 0.
int CompleteInstalledService(const char* name, const char* description);

/// Runs the service on the calling (main) thread and gives the process's exit status.
/// Sets RunMode to Service first. On Windows it hands the thread to the service control
/// manager and returns 0 when the service has ended, or at once when the process was
/// not started as a service. Under systemd it runs the application in the foreground,
/// SIGTERM or SIGINT asking it to stop, and gives 0 for a stop that was asked for, the
/// application's own System.exit status, or 1 for a failure or a stop that outlasted
/// ServiceStopTimeout.
int RunServiceDispatcher();
