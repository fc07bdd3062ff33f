#pragma once

/// Handles a lone service switch among `count` slots (slot 0 reserved), the hidden
/// ServiceSettingsSwitch among them. True when the argument was a switch and has been
/// handled, with the process's exit status in `exitCode` (0, the service run's, or 1
/// when the service settings could not be made); false when it goes to the application.
bool DispatchServiceSwitch(int count, char** vector, int* exitCode);
