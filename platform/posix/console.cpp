#include "platform/console.h"

// Linux runs no service of its own: the process keeps the streams it was given.
const char* AttachServiceConsole() { return nullptr; }
