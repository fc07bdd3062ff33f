#include "platform/console.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/logoff_handler.h"

BOOL WINAPI LogoffControlHandler(DWORD controlType) {
  return controlType == CTRL_LOGOFF_EVENT ? TRUE : FALSE;
}

const char* AttachServiceConsole() {
  AllocConsole();
  SetConsoleCtrlHandler(LogoffControlHandler, TRUE);
  std::freopen("CONOUT$", "a", stdout);
  std::freopen("CONOUT$", "a", stderr);
  return "CONOUT$";
}
