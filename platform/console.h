#pragma once

/// Gives the service process a console of its own: allocates it, keeps a user's
/// logoff from ending the process, and points stdout and stderr at it. Returns the
/// file name through which Java's streams reach the console ("CONOUT$"), or null
/// where there is no such console.
const char* AttachServiceConsole();
