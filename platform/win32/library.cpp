#include "platform/library.h"

#include <windows.h>

#include "platform/win32/long_path.h"
#include "platform/win32/system_error_text.h"

LibraryHandle LoadRuntimeLibrary(const char* path) {
  const std::u16string given = LongPathForm(path);
  DWORD size = GetFullPathNameW(Wide(given), 0, nullptr, nullptr);
  std::u16string full(size, u'\0');
  wchar_t* name = nullptr;
  if (size != 0) size = GetFullPathNameW(Wide(given), size, Wide(full), &name);
  if (size == 0 || size >= full.size() || name == nullptr) return LoadLibraryW(Wide(given));
  full.resize(size);
  // jvm.dll lies in bin\client or bin\server and needs the DLLs of bin itself, which
  // are neither beside it nor on the search path of a machine without an installed
  // runtime. The altered search path covers its own directory, the DLL directory
  // covers the one above it.
  std::u16string runtimeBin = full.substr(0, static_cast<std::size_t>(name - Wide(full)));
  std::size_t last = runtimeBin.find_last_of(u'\\');
  if (last != std::u16string::npos) runtimeBin.resize(last);  // the library's own directory
  last = runtimeBin.find_last_of(u'\\');
  const BOOL redirected =
      last != std::u16string::npos && SetDllDirectoryW(Wide(runtimeBin.substr(0, last)));
  HMODULE library = LoadLibraryExW(Wide(full), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  if (redirected) SetDllDirectoryW(nullptr);
  SetLastError(error);
  return library;
}

std::string LibraryLoadFailure(const char* path) {
  // Asked right after the failed load, whose error code is still the thread's.
  return SystemErrorText(GetLastError(), path);
}

void* FindLibraryEntry(LibraryHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeRuntimeLibrary(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }
