#pragma once

#include <jni.h>

#include <string>
#include <vector>

/// With StartupArchive set, the options that have the runtime map the application's
/// class-data archive from the user's cache, when one for this run's key is made and
/// checked, or else record the classes it loads, from which another process makes
/// the archive after the run: they go in front of `configured` (the options of
/// JvmOptions as split, the class-path option included). Empty when the setting is
/// off, and whenever there can be no archive; the trace then says why. Nothing here
/// reports, and nothing stops a launch. The option texts stay allocated for the life
/// of the process.
std::vector<JavaVMOption> StartupArchiveOptions(const std::vector<std::string>& configured);

/// Once the machine runs, on the creating thread: when this run maps an archive and
/// the runtime says that it maps none (it refused the archive under options that only
/// the run has), the archive is retired and the refusal remembered for the run's
/// options. `readVmInfo` reads the machine's system property java.vm.info (false when
/// it cannot); it is called only when this run maps an archive. Reports nothing.
void ConfirmStartupArchive(bool (*readVmInfo)(std::string* info));

/// Ends this run's part: after a normal end (`created`, once the machine has been
/// destroyed, or from the runtime's exit hook at System.exit) it removes the mark of
/// a run that uses the archive, or starts the detached process that makes the archive
/// from the recorded classes. When the machine could not be created, an archive in
/// use is retired instead. Only the first call acts.
void FinishStartupArchive(bool created);
