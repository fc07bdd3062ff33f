#include "platform/console.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/logoff_handler.h"

BOOL WINAPI LogoffControlHandler(DWORD controlType) {
  return controlType == CTRL_LOGOFF_EVENT ? TRUE : FALSE;
}

bool IsConsoleProgram() {
  // The loaded image of the program itself, headers included; the launcher maker
  // changes nothing but this field between a window and a console launcher.
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

const char* AttachServiceConsole() {
  AllocConsole();
  SetConsoleCtrlHandler(LogoffControlHandler, TRUE);
  std::freopen("CONOUT$", "a", stdout);
  std::freopen("CONOUT$", "a", stderr);
  return "CONOUT$";
}
