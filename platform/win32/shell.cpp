#include "platform/shell.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

namespace {

using ShellExecuteExEntry = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
using CoInitializeExEntry = HRESULT(WINAPI*)(void*, DWORD);

// The shell's libraries are loaded only on the rare run that opens something: they
// are large, and a launch that never needs them should not pay for loading them.
void* LibraryEntry(const char* library, const char* entry) {
  HMODULE module = LoadLibraryA(library);
  return module == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(module, entry));
}

}  // namespace

bool OpenWithShell(const char* target) {
  auto shellExecuteEx =
      reinterpret_cast<ShellExecuteExEntry>(LibraryEntry("shell32.dll", "ShellExecuteExA"));
  if (shellExecuteEx == nullptr) return false;
  // The shell may hand the verb to extensions that need COM on this thread.
  auto coInitializeEx =
      reinterpret_cast<CoInitializeExEntry>(LibraryEntry("ole32.dll", "CoInitializeEx"));
  if (coInitializeEx != nullptr) {
    coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  }
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  // The failure is reported by the caller, once, instead of in the shell's own box;
  // and the launcher ends right after, so the shell finishes its work before it returns.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = "open";
  info.lpFile = target;
  info.nShow = SW_SHOWNORMAL;
  return shellExecuteEx(&info) != FALSE;
}
