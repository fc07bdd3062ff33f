#pragma once

#include "core/split_arguments.h"
#include "platform/instance_mutex.h"

/// The held single-instance mutex; null when none was created.
extern InstanceMutexHandle InstanceMutex;

/// The run from the split command line (slot 0 reserved, slots 1 onward the
/// arguments) to the process's exit code. RunMode must already be Window; a console
/// program turns it to Console first.
int RunLauncher(ArgumentVector& arguments);
