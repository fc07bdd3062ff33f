#pragma once

#include <jni.h>

#include <string>
#include <vector>

/// With StartupArchive set, the options that have the runtime map the application's
/// class-data archive, or make it, from the user's cache: they go in front of
/// `configured` (the options of JvmOptions as split, the class-path option included).
/// Empty when the setting is off, and whenever there can be no archive; the trace
/// then says why. Nothing here reports, and nothing stops a launch. The option texts
/// stay allocated for the life of the process.
std::vector<JavaVMOption> StartupArchiveOptions(const std::vector<std::string>& configured);

/// Puts an archive that the runtime has finished writing in its place, with its key,
/// and traces what became of the archive. Call once the machine has been destroyed;
/// when the application ends the process with System.exit, the runtime's exit hook
/// calls it after the runtime has written the archive. Only the first call acts.
void FinishStartupArchive();
