#include "platform/environment.h"

#include <cstdlib>

const char* ReadEnvironmentVariable(const char* name) { return std::getenv(name); }
