#pragma once

#include <windows.h>

/// Console control handler of the service run: TRUE for CTRL_LOGOFF_EVENT, so that
/// a user's logoff does not end the service; FALSE for every other event, which then
/// goes on to the handlers registered before it and finally to the system's.
BOOL WINAPI LogoffControlHandler(DWORD controlType);
