#include "runtime/runtime_discovery.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "runtime/java_home.h"
#include "runtime/runtime_location.h"

JavaVersion DiscoveredRuntimeVersion;

namespace {

// A registry key with one subkey per installed version, and where that version's
// values lie.
struct VendorKey {
  const char* Path;       // below the root
  const char* Below;      // from a version's subkey down to its values
  const char* HomeValue;  // the value that holds the Java home
  bool NamesLibrary;      // whether "RuntimeLib" may name the library itself
};

constexpr VendorKey VendorKeys[] = {
    {"Software\\JavaSoft\\Java Runtime Environment", "", "JavaHome", true},
    {"Software\\JavaSoft\\Java Development Kit", "", "JavaHome", true},
    {"Software\\JavaSoft\\JRE", "", "JavaHome", true},
    {"Software\\JavaSoft\\JDK", "", "JavaHome", true},
    {"Software\\IBM\\Java2 Runtime Environment", "", "JavaHome", true},
    {"Software\\IBM\\Java Development Kit", "", "JavaHome", true},
    {"Software\\Eclipse Adoptium\\JDK", "\\hotspot\\MSI", "Path", false},
    {"Software\\Eclipse Adoptium\\JRE", "\\hotspot\\MSI", "Path", false},
    {"Software\\Eclipse Foundation\\JDK", "\\hotspot\\MSI", "Path", false},
    {"Software\\Eclipse Foundation\\JRE", "\\hotspot\\MSI", "Path", false},
    {"Software\\AdoptOpenJDK\\JDK", "\\hotspot\\MSI", "Path", false},
    {"Software\\AdoptOpenJDK\\JRE", "\\hotspot\\MSI", "Path", false},
    {"Software\\Microsoft\\JDK", "\\hotspot\\MSI", "Path", false},
    {"Software\\Semeru\\JDK", "\\openj9\\MSI", "Path", false},
    {"Software\\Semeru\\JRE", "\\openj9\\MSI", "Path", false},
    {"Software\\Azul Systems\\Zulu", "", "InstallationPath", false},
    {"Software\\BellSoft\\Liberica", "", "InstallationPath", false},
};

struct RootName {
  RegistryRoot Root;
  const char* Name;
};

// Per-machine installations before per-user ones.
constexpr RootName RegistryRoots[] = {{RegistryRoot::LocalMachine, "HKLM"},
                                      {RegistryRoot::CurrentUser, "HKCU"}};

constexpr std::size_t RegistryTextSize = 1024;
constexpr std::size_t SubkeyNameSize = 256;

const char* SourceName(CandidateSource source) {
  switch (source) {
    case CandidateSource::JavaHomeVariable: return "JAVA_HOME";
    case CandidateSource::Registry: return "registry";
    case CandidateSource::Path: return "PATH";
    case CandidateSource::SystemHomes: return "system";
    default: return "configured";
  }
}

// A home as users write it: quotes around it and separators behind it are dropped.
std::string CleanHome(std::string home) {
  if (home.size() >= 2 && home.front() == '"' && home.back() == '"') {
    home = home.substr(1, home.size() - 2);
  }
  while (home.size() > 1 && (home.back() == '/' || home.back() == '\\')) home.pop_back();
  return home;
}

std::string ReadRegistryText(RegistryRoot root, const std::string& path, const char* name) {
  char buffer[RegistryTextSize];
  if (ReadRegistryString(root, path.c_str(), name, buffer, sizeof buffer) != 0) return "";
  return buffer;
}

// Known versions before unknown ones, the highest first; equal ones keep their order.
void SortByVersion(std::vector<RuntimeCandidate>& candidates) {
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const RuntimeCandidate& a, const RuntimeCandidate& b) {
                     if ((a.Version.Count > 0) != (b.Version.Count > 0)) return a.Version.Count > 0;
                     return CompareJavaVersions(a.Version, b.Version) > 0;
                   });
}

// The candidates of one root and vendor key, examined, in enumeration order.
void CollectVendorKey(const RootName& root, const VendorKey& vendor, const VersionBounds& bounds,
                      std::size_t size, std::vector<RuntimeCandidate>& passing) {
  RegistryKey key = OpenRegistryKey(root.Root, vendor.Path);
  if (key == nullptr) return;
  std::vector<std::string> names;
  char name[SubkeyNameSize];
  for (unsigned long index = 0; EnumerateRegistrySubkey(key, index, name, sizeof name); ++index) {
    names.push_back(name);
  }
  CloseRegistryKey(key);
  for (const std::string& version : names) {
    const std::string subkey = std::string(vendor.Path) + "\\" + version + vendor.Below;
    RuntimeCandidate candidate;
    candidate.Source = CandidateSource::Registry;
    candidate.Origin = std::string(root.Name) + "\\" + subkey;
    candidate.Home = CleanHome(ReadRegistryText(root.Root, subkey, vendor.HomeValue));
    if (vendor.NamesLibrary) {
      const std::string library = ReadRegistryText(root.Root, subkey, "RuntimeLib");
      if (!library.empty() && CanOpenForReading(library.c_str())) candidate.Library = library;
    }
    ExamineCandidate(&candidate, version.c_str(), bounds, size);
    if (candidate.Passes) passing.push_back(candidate);
  }
}

std::vector<RuntimeCandidate> RegistryCandidates(const VersionBounds& bounds, std::size_t size) {
  std::vector<RuntimeCandidate> passing;
  for (const RootName& root : RegistryRoots) {
    for (const VendorKey& vendor : VendorKeys) CollectVendorKey(root, vendor, bounds, size, passing);
  }
  SortByVersion(passing);
  return passing;
}

bool TryJavaHomeVariable(const VersionBounds& bounds, std::size_t size, RuntimeCandidate* taken) {
  const char* value = ReadEnvironmentVariable("JAVA_HOME");
  if (value == nullptr || value[0] == '\0') return false;
  taken->Source = CandidateSource::JavaHomeVariable;
  taken->Origin = "JAVA_HOME";
  taken->Home = CleanHome(value);
  ExamineCandidate(taken, nullptr, bounds, size);
  return taken->Passes;
}

// Only the first java program on PATH counts: it is the one the user's shell runs.
bool TryPath(const VersionBounds& bounds, std::size_t size, RuntimeCandidate* taken) {
  const char* path = ReadEnvironmentVariable("PATH");
  if (path == nullptr) return false;
  const char* start = path;
  while (true) {
    const char* end = std::strchr(start, PathListSeparator);
    std::string entry = CleanHome(end == nullptr ? std::string(start) : std::string(start, end));
    if (!entry.empty()) {
      const std::string program = JoinPath(entry, JavaProgramName);
      if (CanOpenForReading(program.c_str())) {
        std::string resolved;
        if (!ResolveFinalPath(program.c_str(), &resolved)) resolved = program;
        taken->Source = CandidateSource::Path;
        taken->Origin = program;
        taken->Home = ParentPath(ParentPath(resolved));
        ExamineCandidate(taken, nullptr, bounds, size);
        return taken->Passes;
      }
    }
    if (end == nullptr) return false;
    start = end + 1;
  }
}

std::vector<RuntimeCandidate> SystemHomeCandidates(const char* systemHomes,
                                                   const VersionBounds& bounds, std::size_t size) {
  std::vector<RuntimeCandidate> passing;
  if (systemHomes == nullptr || systemHomes[0] == '\0') return passing;
  std::vector<std::string> names;
  DirectoryListing* listing = nullptr;
  DirectoryEntry entry;
  for (ListingStep step = OpenDirectoryListing(systemHomes, &listing, &entry);
       step == ListingStep::Entry; step = NextDirectoryEntry(listing, &entry)) {
    if (entry.IsDirectory && std::strcmp(entry.Name, ".") != 0 && std::strcmp(entry.Name, "..") != 0) {
      names.push_back(entry.Name);
    }
  }
  CloseDirectoryListing(listing);
  // The listing's order is the file system's own; ties between versions go by name.
  std::sort(names.begin(), names.end());
  std::set<std::string> seen;
  for (const std::string& name : names) {
    RuntimeCandidate candidate;
    candidate.Source = CandidateSource::SystemHomes;
    candidate.Origin = JoinPath(systemHomes, name.c_str());
    // Links such as default-java lead to a home of the same directory: one candidate.
    if (!ResolveFinalPath(candidate.Origin.c_str(), &candidate.Home)) continue;
    if (!seen.insert(candidate.Home).second) continue;
    ExamineCandidate(&candidate, nullptr, bounds, size);
    if (candidate.Passes) passing.push_back(candidate);
  }
  SortByVersion(passing);
  return passing;
}

bool TakeCandidate(const RuntimeCandidate& candidate, char* result, std::size_t size) {
  std::memset(result, 0, size);
  std::memcpy(result, candidate.Library.c_str(), candidate.Library.size() + 1);
  std::memset(RegistryJavaHome, 0, sizeof RegistryJavaHome);
  std::memcpy(RegistryJavaHome, candidate.Home.c_str(), candidate.Home.size() + 1);
  DiscoveredRuntimeVersion = candidate.Version;
  Trace("runtime taken from %s: %s", SourceName(candidate.Source), result);
  return true;
}

std::string CheckBounds(const JavaVersion& version, const VersionBounds& bounds) {
  if (!bounds.HasMinimum && !bounds.HasMaximum) return "";
  if (version.Count == 0) return "its version is unknown and the version is bounded";
  if (bounds.HasMinimum && CompareJavaVersions(version, bounds.Minimum) < 0) {
    return "below RuntimeMinVersion " + LaunchConfig.RuntimeMinVersion;
  }
  if (bounds.HasMaximum && !WithinVersionBound(version, bounds.Maximum)) {
    return "above RuntimeMaxVersion " + LaunchConfig.RuntimeMaxVersion;
  }
  return "";
}

std::string CheckMachine(ExecutableMachine machine) {
  if (machine == LauncherMachine) return "";
  if (machine == ExecutableMachine::Unknown) return "not a runtime library (no PE or ELF header)";
  return std::string("built for ") + MachineName(machine) + ", this launcher runs " +
         MachineName(LauncherMachine) + " code";
}

}  // namespace

VersionBounds ReadVersionBounds() {
  VersionBounds bounds;
  bounds.HasMinimum = ParseJavaVersion(LaunchConfig.RuntimeMinVersion.c_str(), &bounds.Minimum);
  bounds.HasMaximum = ParseJavaVersion(LaunchConfig.RuntimeMaxVersion.c_str(), &bounds.Maximum);
  return bounds;
}

void ExamineCandidate(RuntimeCandidate* candidate, const char* versionName,
                      const VersionBounds& bounds, std::size_t size) {
  RuntimeCandidate& c = *candidate;
  if (c.Library.empty() && !c.Home.empty()) c.Library = FindHomeLibrary(c.Home);
  if (!c.Home.empty()) ReadReleaseVersion(c.Home, &c.Version);
  if (c.Version.Count == 0 && versionName != nullptr) ParseJavaVersion(versionName, &c.Version);
  if (!c.Library.empty()) c.Machine = ReadLibraryMachine(c.Library.c_str());

  if (c.Home.empty() && c.Library.empty()) {
    c.Reason = "no Java home";
  } else if (c.Library.empty()) {
    c.Reason = "no runtime library below the home";
  } else if (c.Library.size() >= size || c.Home.size() >= RegistryJavaHomeSize) {
    c.Reason = "its path is too long";
  } else {
    c.Reason = CheckMachine(c.Machine);
    if (c.Reason.empty()) c.Reason = CheckBounds(c.Version, bounds);
  }
  c.Passes = c.Reason.empty();
  if (!c.Passes) {
    NotePassedOverRuntime(c.Version.Count > 0 ? FormatJavaVersion(c.Version) : std::string(),
                          c.Home.empty() ? c.Library : c.Home, c.Reason);
  }
  Trace("runtime candidate from %s %s: home \"%s\", library \"%s\", version %s, %s: %s",
        SourceName(c.Source), c.Origin.c_str(), c.Home.c_str(), c.Library.c_str(),
        FormatJavaVersion(c.Version).c_str(), MachineName(c.Machine),
        c.Passes ? "passes" : ("rejected, " + c.Reason).c_str());
}

bool DiscoverRuntime(char* result, std::size_t size) {
  const VersionBounds bounds = ReadVersionBounds();
  Trace("runtime discovery: RuntimeMinVersion \"%s\", RuntimeMaxVersion \"%s\", machine %s",
        LaunchConfig.RuntimeMinVersion.c_str(), LaunchConfig.RuntimeMaxVersion.c_str(),
        MachineName(LauncherMachine));
  RuntimeCandidate candidate;
  if (TryJavaHomeVariable(bounds, size, &candidate)) return TakeCandidate(candidate, result, size);
  std::vector<RuntimeCandidate> registered = RegistryCandidates(bounds, size);
  if (!registered.empty()) return TakeCandidate(registered.front(), result, size);
  candidate = RuntimeCandidate();
  if (RunMode == RunModeKind::Service) {
    // A service often runs as LocalSystem, and the system's PATH may hold a directory
    // that ordinary users can write: a java program and a runtime library planted
    // there would run as the service. JAVA_HOME and the registry need an administrator.
    Trace("runtime discovery: PATH is not searched in a service, only JAVA_HOME and the registry");
  } else if (TryPath(bounds, size, &candidate)) {
    return TakeCandidate(candidate, result, size);
  }
  std::vector<RuntimeCandidate> system = SystemHomeCandidates(SystemJavaHomes, bounds, size);
  if (!system.empty()) return TakeCandidate(system.front(), result, size);
  Trace("runtime discovery found nothing that passes");
  return false;
}

bool PassesConfiguredChecks(const char* library) {
  const ExecutableMachine machine = ReadLibraryMachine(library);
  JavaVersion version;
  std::string home;
  const bool known = ReadRuntimeVersion(library, &version, &home);
  std::string reason = LaunchConfig.RuntimeDiscovery ? CheckMachine(machine) : "";
  if (reason.empty() && known) reason = CheckBounds(version, ReadVersionBounds());
  Trace("runtime candidate from configured %s: version %s, %s: %s", library,
        FormatJavaVersion(version).c_str(), MachineName(machine),
        reason.empty() ? "passes" : ("rejected, " + reason).c_str());
  if (!reason.empty()) {
    NotePassedOverRuntime(known ? FormatJavaVersion(version) : std::string(),
                          known ? home : std::string(library), reason);
  }
  return reason.empty();
}
