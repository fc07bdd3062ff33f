#pragma once

/// Handle of a held single-instance mutex; null when none is held.
using InstanceMutexHandle = void*;

/// Whether another process holds the mutex named `name` (OpenMutexA succeeds; the
/// handle it gives is closed again at once).
bool InstanceMutexExists(const char* name);

/// Creates the mutex named `name`, owned by the calling thread. Null on failure.
InstanceMutexHandle CreateInstanceMutex(const char* name);

/// Closes a handle from CreateInstanceMutex, ending this process's hold.
void CloseInstanceMutex(InstanceMutexHandle handle);
