#pragma once

/// Whether this program is a console program, whose reports go to its standard
/// streams: on Windows the subsystem in the program's own image header says so;
/// elsewhere every program is one.
bool IsConsoleProgram();

/// Gives the service process a console of its own: allocates it, keeps a user's
/// logoff from ending the process, and points stdout and stderr at it. Returns the
/// file name through which Java's streams reach the console ("CONOUT$"), or null
/// where there is no such console.
const char* AttachServiceConsole();
