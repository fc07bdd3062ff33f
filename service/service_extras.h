#pragma once

#include <windows.h>

/// Gives the newly created `service` (opened with SERVICE_ALL_ACCESS) what the launch
/// configuration asks beyond the service itself: with ServiceRestartSeconds above 0,
/// failure actions that restart it that many seconds after each of three failures
/// (the count reset after a day), non-crash failures included; with
/// ServiceDelayedStart, delayed start when it starts automatically. What the service
/// manager refuses is traced, nothing is reported, and the service stays installed.
void ApplyServiceExtras(SC_HANDLE service);
