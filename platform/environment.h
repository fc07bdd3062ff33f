#pragma once

/// The value of the process environment variable `name` (getenv), or null when it is
/// not set.
const char* ReadEnvironmentVariable(const char* name);
