#include "platform/instance_mutex.h"

#include <windows.h>

bool InstanceMutexExists(const char* name) {
  HANDLE handle = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
  if (handle == nullptr) return false;
  CloseHandle(handle);
  return true;
}

InstanceMutexHandle CreateInstanceMutex(const char* name) {
  return CreateMutexA(nullptr, TRUE, name);
}

void CloseInstanceMutex(InstanceMutexHandle handle) { CloseHandle(handle); }
