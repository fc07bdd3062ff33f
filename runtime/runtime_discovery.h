#pragma once

#include <cstddef>
#include <string>

#include "platform/runtime_layout.h"
#include "runtime/java_version.h"

/// Where a runtime candidate was found.
enum class CandidateSource { Configured, JavaHomeVariable, Registry, Path, SystemHomes };

/// One Java runtime that the launcher looked at, and what it made of it.
struct RuntimeCandidate {
  CandidateSource Source = CandidateSource::Configured;
  std::string Origin;   // the registry key, the PATH entry or the configured entry
  std::string Home;     // empty for a configured library
  std::string Library;  // empty when no library was found below the home
  JavaVersion Version;  // no numbers: unknown
  ExecutableMachine Machine = ExecutableMachine::Unknown;
  bool Passes = false;
  std::string Reason;  // why it does not pass
};

/// The version bounds of LaunchConfig: RuntimeMinVersion and RuntimeMaxVersion, each
/// unset when its text is empty or does not parse.
struct VersionBounds {
  bool HasMinimum = false;
  bool HasMaximum = false;
  JavaVersion Minimum;
  JavaVersion Maximum;
};

/// Reads the bounds from LaunchConfig.
VersionBounds ReadVersionBounds();

/// Decides whether `candidate` passes, from its Library (found below its Home first when
/// empty) and its Version (read from the home's release file, else from
/// `versionName` when that parses, else unknown): the library must exist, fit
/// `size` bytes with its terminator and be built for the launcher's own machine, and
/// the version must lie within `bounds` (an unknown version passes only when neither
/// bound is set). Fills Passes, Reason and what it read, and traces the verdict.
void ExamineCandidate(RuntimeCandidate* candidate, const char* versionName,
                      const VersionBounds& bounds, std::size_t size);

/// The discovery of installed runtimes, in this order of precedence: the home that
/// JAVA_HOME names; the registered runtimes of every common vendor, of the local
/// machine and the current user alike, the highest version first (of equal versions
/// the local machine's); the home of the first java program on PATH, its links
/// followed, except in a service (RunMode Service); the homes below SystemJavaHomes,
/// the highest version first. The first candidate that passes is
/// taken: its library path goes into `result` of `size` bytes and its home into
/// RegistryJavaHome. Silent but for the trace; false when nothing passes.
bool DiscoverRuntime(char* result, std::size_t size);

/// The version of the runtime that DiscoverRuntime took; unknown while it has taken none.
extern JavaVersion DiscoveredRuntimeVersion;

/// Whether a configured library may be taken. With discovery on it must be built for the
/// launcher's own machine (a library for another is passed over, never loaded). When
/// the release file of the home above it tells its version (ReadRuntimeVersion), that
/// version must lie within RuntimeMinVersion and RuntimeMaxVersion; a library whose
/// version cannot be told is taken, as configured. Traces the verdict and notes a
/// candidate passed over.
bool PassesConfiguredChecks(const char* library);
