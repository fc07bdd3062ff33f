#include "platform/instance_mutex.h"

#include <windows.h>

bool InstanceMutexExists(const char* name) {
  HANDLE handle = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
  if (handle == nullptr) return false;
  CloseHandle(handle);
  return true;
}

int CreateInstanceMutex(const char* name, InstanceMutexHandle* handle) {
  *handle = nullptr;
  HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
  if (mutex == nullptr) return -1;
  // The call opens a mutex that exists already, without giving this thread ownership.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return 1;
  }
  *handle = mutex;
  return 0;
}

void CloseInstanceMutex(InstanceMutexHandle handle) { CloseHandle(handle); }
