#pragma once

/// Handle of a held single-instance mutex; null when none is held.
using InstanceMutexHandle = void*;

/// Whether another process holds the mutex named `name` (OpenMutexA succeeds; the
/// handle it gives is closed again at once).
bool InstanceMutexExists(const char* name);

/// Creates the mutex named `name`, owned by the calling thread: 0 when this process
/// made it and `*handle` holds it; 1 when it existed already (another instance made it
/// in the meantime), -1 when it cannot be had; in both cases `*handle` is null.
int CreateInstanceMutex(const char* name, InstanceMutexHandle* handle);

/// Closes a handle from CreateInstanceMutex, ending this process's hold.
void CloseInstanceMutex(InstanceMutexHandle handle);
