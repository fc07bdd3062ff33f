#pragma once

#include <windows.h>

/// The event-log source that the service registers under its name; the Service
/// route of every report writes through it. Null while none is registered.
extern HANDLE EventSource;
