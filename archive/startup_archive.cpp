#include "archive/startup_archive.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "archive/folders.h"
#include "archive/request.h"
#include "archive/rules.h"
#include "core/launch_config.h"
#include "core/trace.h"
#include "one_file/embedded_archives.h"
#include "platform/directories.h"
#include "platform/environment.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"
#include "platform/user_cache.h"
#include "runtime/java_home.h"
#include "runtime/runtime_discovery.h"

namespace {

constexpr char QuietOption[] = "-Xlog:cds*=off";

enum class ArchiveUse { None, Map, Record };

// The archive of this run. Written on the creating thread before the machine starts;
// afterwards read by the thread that destroys it or by the runtime's exit hook.
struct StartupArchiveRecord {
  ArchiveUse Use = ArchiveUse::None;
  std::string Directory;           // the application's directory in the cache
  std::string Folder;              // the archive's folder, named after its key
  std::string Marker;              // a run that maps the archive: the mark of the run
  std::string Request;             // a run that records its classes: the request for the maker
  std::vector<std::string> Maker;  // and the maker's command line
  std::vector<std::string> Options;  // a run that maps the archive: all its options
  std::vector<std::string> Texts;
};

StartupArchiveRecord Current;
std::atomic<bool> Finished{false};

bool FindVersion(JavaVersion* version, std::string* home) {
  if (ReadRuntimeVersion(LaunchConfig.RuntimeLibrary, version, home)) {
    Trace("startup archive: runtime of Java %s, as the release file of %s says",
          FormatJavaVersion(*version).c_str(), home->c_str());
    return true;
  }
  if (DiscoveredRuntimeVersion.Count == 0) return false;
  *version = DiscoveredRuntimeVersion;
  *home = ParentPath(ParentPath(ParentPath(LaunchConfig.RuntimeLibrary)));
  Trace("startup archive: runtime of Java %s, as the discovery found it",
        FormatJavaVersion(*version).c_str());
  return true;
}

bool OpenArchiveDirectory(std::string* reason) {
  char executable[1024];
  if (!ReadExecutablePath(executable, sizeof executable)) {
    *reason = "the executable's path cannot be read";
    return false;
  }
  std::string resolved;
  if (!ResolveFinalPath(executable, &resolved)) resolved = executable;
  // An application known by its archive alone is known by the archive's file name.
  std::string application = LaunchConfig.MainClass;
  if (application.empty()) {
    application = LaunchConfig.MainJar.substr(LaunchConfig.MainJar.find_last_of("/\\") + 1);
  }
  const std::string name = ArchiveDirectoryName(application, resolved);
  if (!OpenUserCacheDirectory(name.c_str(), &Current.Directory, reason)) return false;
  // The runtime reads the option's value as a list, with this separator between archives.
  if (Current.Directory.find(ClassPathSeparator) != std::string::npos) {
    *reason = "the cache directory " + Current.Directory + " holds a '" + ClassPathSeparator + "'";
    return false;
  }
  return true;
}

void AppendOptions(const std::vector<std::string>& more, std::vector<std::string>* options);

// What a -XX:VMOptionsFile holds counts where the option stands.
void AppendOption(const std::string& option, std::vector<std::string>* options) {
  constexpr char File[] = "-XX:VMOptionsFile=";
  std::string text;
  if (option.compare(0, sizeof File - 1, File) == 0 &&
      ReadWholeFile(option.substr(sizeof File - 1), &text)) {
    AppendOptions(SplitToolOptions(text.c_str()), options);
  }
  if (!option.empty()) options->push_back(option);
}

void AppendOptions(const std::vector<std::string>& more, std::vector<std::string>* options) {
  for (const std::string& option : more) AppendOption(option, options);
}

// The options the runtime reads: HotSpot takes those of JAVA_TOOL_OPTIONS before the
// ones it is given, and those of _JAVA_OPTIONS after them.
std::vector<std::string> EffectiveOptions(const std::vector<std::string>& given) {
  std::vector<std::string> options;
  AppendOptions(SplitToolOptions(ReadEnvironmentVariable("JAVA_TOOL_OPTIONS")), &options);
  AppendOptions(given, &options);
  AppendOptions(SplitToolOptions(ReadEnvironmentVariable("_JAVA_OPTIONS")), &options);
  return options;
}

bool PlanMapping(const std::string& archive, const std::vector<std::string>& options,
                 std::string* reason) {
  Current.Marker = Current.Folder + "." + std::to_string(CurrentProcessId()) + ".run";
  if (!WriteWholeFile(Current.Marker, std::string())) {
    *reason = "cannot write in " + Current.Directory;
    return false;
  }
  MarkArchiveUsed(Current.Folder);
  Current.Use = ArchiveUse::Map;
  Current.Options = options;
  Current.Texts = {QuietOption, "-XX:SharedArchiveFile=" + archive};
  Trace("startup archive: using %s", archive.c_str());
  return true;
}

bool PlanRecording(const JavaVersion& version, const std::vector<std::string>& options,
                   const std::string& key, std::string* reason) {
  char directory[1024];
  if (!ReadCurrentDirectory(directory, sizeof directory)) {
    *reason = "the current directory cannot be read";
    return false;
  }
  char executable[1024];
  if (!ReadExecutablePath(executable, sizeof executable)) {
    *reason = "the executable's path cannot be read";
    return false;
  }
  const std::string run = Current.Folder + "." + std::to_string(CurrentProcessId());
  ArchiveRequest request;
  request.Library = LaunchConfig.RuntimeLibrary;
  request.Feature = version.Parts[0];
  request.AheadOfTimeLinking = version.Parts[0] >= 24 && !OptionsLoadAgents(options);
  request.Directory = directory;
  request.Parent = CurrentProcessId();
  request.List = run + ".classes";
  request.Folder = Current.Folder;
  for (const std::string& option : options) {
    if (option.compare(0, 18, "-Djava.class.path=") == 0) request.Options.push_back(option);
  }
  for (const std::string& option : LayoutOptions(options)) request.Options.push_back(option);
  request.Key = key;
  Current.Request = run + ".request";
  if (!WriteArchiveRequest(Current.Request, request)) {
    RemoveFile(Current.Request.c_str());
    *reason = "cannot write in " + Current.Directory;
    return false;
  }
  Current.Maker = MakerCommandLine(executable, Current.Request);
  Current.Use = ArchiveUse::Record;
  Current.Texts = {QuietOption, "-XX:DumpLoadedClassList=" + request.List};
  Trace("startup archive: recording the classes of this run for %s", Current.Folder.c_str());
  return true;
}

bool PlanArchive(const std::vector<std::string>& configured, std::string* reason) {
  const std::vector<std::string> options = EffectiveOptions(configured);
  JavaVersion version;
  std::string home;
  if (!FindVersion(&version, &home)) {
    *reason = "the runtime's version is not known";
    return false;
  }
  if (!VersionMakesArchives(version)) {
    *reason = "Java " + FormatJavaVersion(version) + " makes no archive (11 and later do)";
    return false;
  }
  if (EmbeddedArchivesTemporary) {
    // Its path differs at every run: each would make an archive for a key of its own.
    *reason = "the archives of this launcher lie in a temporary folder";
    return false;
  }
  if (OptionsChooseSharing(options)) {
    *reason = "the options choose the class-data sharing themselves";
    return false;
  }
  char directory[1024];
  if (version.Parts[0] < 19 && (!ReadCurrentDirectory(directory, sizeof directory) ||
                                !ClassPathFoundInArchive(options, directory))) {
    // The runtime would map the archive and still load every class of the
    // application from its jars.
    *reason =
        "the class path lies below a directory whose name holds a blank or letters "
        "beyond ASCII, where Java 11 to 18 do not find archived classes";
    return false;
  }
  if (!OpenArchiveDirectory(reason)) return false;
  TidyArchiveDirectory(Current.Directory);
  const std::string key = ArchiveKey(LaunchConfig.RuntimeLibrary, home, options);
  const std::string name = "java" + std::to_string(version.Parts[0]) + "-" + KeyDigest(key);
  Current.Folder = JoinPath(Current.Directory, name.c_str());
  std::string stored;
  const std::string archive = ArchiveFileIn(Current.Folder);
  if (ReadWholeFile(KeyFileIn(Current.Folder), &stored) && StoredKeyMatches(stored, key) &&
      CanOpenForReading(archive.c_str())) {
    return PlanMapping(archive, options, reason);
  }
  std::string text, failure;
  if (ReadWholeFile(Current.Folder + RefusedSuffix, &text) &&
      FailureHolds(text, options, &failure)) {
    *reason = "the runtime refused it for this key before: " + failure;
    return false;
  }
  if (ArchiveBeingMade(Current.Folder)) {
    *reason = "another process is making " + Current.Folder;
    return false;
  }
  return PlanRecording(version, options, key, reason);
}

// The runtime calls its exit hook when the application ends the process with
// System.exit, just before the process ends.
void JNICALL ExitHook(jint) { FinishStartupArchive(true); }

}  // namespace

std::vector<JavaVMOption> StartupArchiveOptions(const std::vector<std::string>& configured) {
  std::vector<JavaVMOption> options;
  if (!LaunchConfig.StartupArchive) return options;
  std::string reason;
  if (!PlanArchive(configured, &reason)) {
    Current.Use = ArchiveUse::None;
    Trace("startup archive: none, %s", reason.c_str());
    return options;
  }
  for (std::string& text : Current.Texts) options.push_back({&text[0], nullptr});
  options.push_back({const_cast<char*>("exit"), reinterpret_cast<void*>(&ExitHook)});
  return options;
}

void ConfirmStartupArchive(bool (*readVmInfo)(std::string* info)) {
  if (Current.Use != ArchiveUse::Map) return;
  // HotSpot says "sharing" in java.vm.info while it maps an archive. An archive that
  // the runtime refuses under options that the making does not see (it says why, but
  // the class-data messages are off) leaves it without any.
  std::string info;
  if (!readVmInfo(&info) ||
      info.find("sharing") != std::string::npos) {
    return;
  }
  const std::string reason = "the run did not map it (java.vm.info \"" + info + "\")";
  RetireArchiveFolder(Current.Folder);
  WriteWholeFile(Current.Folder + RefusedSuffix, FailureText(reason, Current.Options));
  RemoveFile(Current.Marker.c_str());
  Current.Use = ArchiveUse::None;
  Trace("startup archive: retired %s, as %s", Current.Folder.c_str(), reason.c_str());
}

void FinishStartupArchive(bool created) {
  if (Current.Use == ArchiveUse::None || Finished.exchange(true)) return;
  if (Current.Use == ArchiveUse::Map) {
    if (!created) {
      RetireArchiveFolder(Current.Folder);
      Trace("startup archive: retired %s, as the runtime did not start with it",
            Current.Folder.c_str());
    }
    RemoveFile(Current.Marker.c_str());
    return;
  }
  if (created && StartDetachedProcess(Current.Maker)) {
    Trace("startup archive: making %s in a process of its own", Current.Folder.c_str());
    return;
  }
  if (created) {
    Trace("startup archive: the process that makes it could not be started: %s",
          LastErrorText().c_str());
  }
  RemoveFile(Current.Request.c_str());
  RemoveFile((Current.Folder + "." + std::to_string(CurrentProcessId()) + ".classes").c_str());
}
