#include "platform/console.h"

// A Linux program reports on the streams of whoever started it.
bool IsConsoleProgram() { return true; }

// Linux runs no service of its own: the process keeps the streams it was given.
const char* AttachServiceConsole() { return nullptr; }
