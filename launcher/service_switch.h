#pragma once

/// Handles a lone service switch among `count` slots (slot 0 reserved). True when the
/// argument was a switch and has been handled, with the process's exit status in
/// `exitCode` (0, or the service run's); false when it goes to the application.
bool DispatchServiceSwitch(int count, char** vector, int* exitCode);
