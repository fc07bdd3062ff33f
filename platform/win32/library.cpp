#include "platform/library.h"

#include <windows.h>

#include <cstring>

LibraryHandle LoadRuntimeLibrary(const char* path) {
  char full[MAX_PATH];
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(path, sizeof full, full, &name);
  if (length == 0 || length >= sizeof full || name == nullptr) {
    return LoadLibraryA(path);
  }
  // jvm.dll lies in bin\client or bin\server and needs the DLLs of bin itself, which
  // are neither beside it nor on the search path of a machine without an installed
  // runtime. The altered search path covers its own directory, the DLL directory
  // covers the one above it.
  char runtimeBin[MAX_PATH];
  std::memcpy(runtimeBin, full, static_cast<size_t>(name - full));
  runtimeBin[name - full] = '\0';
  char* last = std::strrchr(runtimeBin, '\\');
  if (last != nullptr) *last = '\0';  // the library's own directory
  last = std::strrchr(runtimeBin, '\\');
  if (last != nullptr) *last = '\0';  // the directory above it
  const BOOL redirected = last != nullptr && SetDllDirectoryA(runtimeBin);
  HMODULE library = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  if (redirected) SetDllDirectoryA(nullptr);
  SetLastError(error);
  return library;
}

std::string LibraryLoadFailure() {
  // Asked right after the failed load, whose error code is still the thread's.
  char text[512];
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(),
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
    reason.pop_back();
  }
  return reason;
}

void* FindLibraryEntry(LibraryHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeRuntimeLibrary(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }
