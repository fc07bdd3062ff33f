#include "hosting/startup_archive.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "hosting/java_home.h"
#include "hosting/runtime_discovery.h"
#include "hosting/startup_archive_rules.h"
#include "launcher/launch_config.h"
#include "launcher/split_arguments.h"
#include "launcher/trace.h"
#include "platform/directories.h"
#include "platform/environment.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/user_cache.h"

namespace {

// The runtime ends the process with status 1 when it cannot finish writing an archive,
// so none is asked for on a nearly full volume. An archive of a few thousand classes
// takes some tens of megabytes.
constexpr unsigned long long MinimumFreeBytes = 256ULL << 20;

// A temporary file older than this was left by a run that was killed: the runtime
// writes its archive in one go, within seconds.
constexpr long long LeftoverSeconds = 10 * 60;

constexpr char QuietOption[] = "-Xlog:cds*=off";

// The archive of this run. Written on the creating thread before the machine starts;
// afterwards read by the thread that destroys it or by the runtime's exit hook.
struct StartupArchiveRecord {
  ArchiveScheme Scheme = ArchiveScheme::None;
  std::string Directory;
  std::string Path;  // the archive
  std::string KeyPath;
  std::string Key;       // Java 13 to 18: the key of this run
  std::string Pending;   // Java 13 to 18: the file the runtime writes at the end, if any
  bool Existed = false;  // Java 19 and later: the archive as the run found it
  FileStamp Before;
  std::vector<std::string> Texts;
};

StartupArchiveRecord Current;
std::atomic<bool> Finished{false};

std::string PendingName(const std::string& path) {
  return path + "." + std::to_string(CurrentProcessId()) + ".tmp";
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  text->clear();
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    text->append(buffer, n);
  const bool read = std::ferror(file) == 0;
  std::fclose(file);
  return read;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

// The runtime cannot report a file it fails to create: it ends the process instead. A
// file of the launcher's own, made and removed here, shows that it can.
bool CanWriteArchive(std::string* reason) {
  unsigned long long available = 0;
  if (ReadFreeSpace(Current.Directory.c_str(), &available) && available < MinimumFreeBytes) {
    *reason = "only " + std::to_string(available >> 20) + " MiB free in " + Current.Directory;
    return false;
  }
  const std::string probe = PendingName(Current.Path);
  if (!WriteWholeFile(probe, std::string())) {
    *reason = "cannot write in " + Current.Directory;
    return false;
  }
  RemoveFile(probe.c_str());
  return true;
}

void RemoveLeftovers() {
  const long long now = static_cast<long long>(std::time(nullptr));
  DirectoryListing* listing = nullptr;
  DirectoryEntry entry;
  for (ListingStep step = OpenDirectoryListing(Current.Directory.c_str(), &listing, &entry);
       step == ListingStep::Entry; step = NextDirectoryEntry(listing, &entry)) {
    const std::size_t length = std::strlen(entry.Name);
    if (entry.IsDirectory || length < 4 || std::strcmp(entry.Name + length - 4, ".tmp") != 0) {
      continue;
    }
    const std::string path = JoinPath(Current.Directory, entry.Name);
    FileStamp stamp;
    if (ReadFileStamp(path.c_str(), &stamp) &&
        now - stamp.ModifiedNanoseconds / 1000000000 > LeftoverSeconds &&
        RemoveFile(path.c_str())) {
      Trace("startup archive: removed the leftover %s", path.c_str());
    }
  }
  CloseDirectoryListing(listing);
}

bool FindVersion(JavaVersion* version) {
  std::string home;
  if (ReadRuntimeVersion(LaunchConfig.RuntimeLibrary, version, &home)) {
    Trace("startup archive: runtime of Java %s, as the release file of %s says",
          FormatJavaVersion(*version).c_str(), home.c_str());
    return true;
  }
  if (DiscoveredRuntimeVersion.Count == 0) return false;
  *version = DiscoveredRuntimeVersion;
  Trace("startup archive: runtime of Java %s, as the discovery found it",
        FormatJavaVersion(*version).c_str());
  return true;
}

// The runtime makes a dynamic archive on top of the base archive that lies beside its
// library; without that base, Java 13 to 18 refuse to start at all.
bool HasBaseArchive(const std::vector<std::string>& options, std::string* reason) {
  const std::string directory = ParentPath(LaunchConfig.RuntimeLibrary);
  std::vector<const char*> names = {"classes.jsa"};
  if (MayTurnOffCompressedOops(options)) names.push_back("classes_nocoops.jsa");
  for (const char* name : names) {
    const std::string base = JoinPath(directory, name);
    if (!CanOpenForReading(base.c_str())) {
      *reason = "the runtime has no base archive " + base;
      return false;
    }
  }
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
  const std::string name = ArchiveDirectoryName(LaunchConfig.MainClass, resolved);
  if (!OpenUserCacheDirectory(name.c_str(), &Current.Directory, reason)) return false;
  // The runtime reads the option's value as a list, with this separator between archives.
  if (Current.Directory.find(ClassPathSeparator) != std::string::npos) {
    *reason = "the cache directory " + Current.Directory + " holds a '" + ClassPathSeparator + "'";
    return false;
  }
  return true;
}

bool PlanAtExit(const std::vector<std::string>& options, std::string* reason) {
  char directory[1024];
  if (!ReadCurrentDirectory(directory, sizeof directory) ||
      !ClassPathFoundInArchive(options, directory)) {
    // The runtime would write the archive, map it, and still load every class of the
    // application from its archives: the first run's cost for nothing.
    *reason = "the class path lies below a directory whose name holds a blank or letters "
              "beyond ASCII, where Java 13 to 18 do not find archived classes";
    return false;
  }
  Current.Key = ArchiveKey(LaunchConfig.RuntimeLibrary, options);
  std::string stored;
  const bool present = IsWholeArchive(Current.Path.c_str());
  if (present && ReadWholeFile(Current.KeyPath, &stored) && stored == Current.Key) {
    Current.Texts = {QuietOption, "-XX:SharedArchiveFile=" + Current.Path};
    Trace("startup archive: using %s", Current.Path.c_str());
    return true;
  }
  if (!CanWriteArchive(reason)) return false;
  // The runtime writes into a file of this run's own, which takes the archive's place
  // only once it is whole.
  Current.Pending = PendingName(Current.Path);
  Current.Texts = {QuietOption, "-XX:ArchiveClassesAtExit=" + Current.Pending};
  Trace("startup archive: making %s (%s)", Current.Path.c_str(),
        present ? "its key differs" : "there is none yet");
  return true;
}

bool PlanAutoCreate(std::string* reason) {
  Current.Existed = ReadFileStamp(Current.Path.c_str(), &Current.Before);
  if (Current.Existed && !IsWholeArchive(Current.Path.c_str())) {
    // The runtime neither maps nor replaces a file that is no archive: it only warns,
    // on the standard error, at every start.
    if (!RemoveFile(Current.Path.c_str())) {
      *reason = "cannot remove the broken archive " + Current.Path;
      return false;
    }
    Trace("startup archive: removed the broken %s", Current.Path.c_str());
    Current.Existed = false;
  }
  std::string unwritable;
  if (!CanWriteArchive(&unwritable)) {
    if (!Current.Existed) {
      *reason = unwritable;
      return false;
    }
    // The runtime would renew a stale archive, and fail at the end: it maps this one
    // when it matches, and otherwise passes it over.
    Current.Texts = {QuietOption, "-XX:SharedArchiveFile=" + Current.Path};
    Trace("startup archive: using %s as it is, since %s", Current.Path.c_str(), unwritable.c_str());
    return true;
  }
  Current.Texts = {QuietOption, "-XX:+AutoCreateSharedArchive",
                   "-XX:SharedArchiveFile=" + Current.Path};
  Trace("startup archive: %s, checked and renewed by the runtime", Current.Path.c_str());
  return true;
}

void AppendEnvironmentOptions(const char* name, std::vector<std::string>* options) {
  ArgumentVector tokens = SplitArguments(ReadEnvironmentVariable(name), false);
  for (const std::string& token : tokens.Tokens) {
    if (!token.empty()) options->push_back(token);
  }
}

// The options the runtime reads: HotSpot takes those of JAVA_TOOL_OPTIONS before the
// ones it is given, and those of _JAVA_OPTIONS after them. A -Xshare:off there would
// make a request for an archive end the process.
std::vector<std::string> EffectiveOptions(const std::vector<std::string>& given) {
  std::vector<std::string> options;
  AppendEnvironmentOptions("JAVA_TOOL_OPTIONS", &options);
  options.insert(options.end(), given.begin(), given.end());
  AppendEnvironmentOptions("_JAVA_OPTIONS", &options);
  return options;
}

bool PlanArchive(const std::vector<std::string>& configured, std::string* reason) {
  const std::vector<std::string> options = EffectiveOptions(configured);
  JavaVersion version;
  if (!FindVersion(&version)) {
    *reason = "the runtime's version is not known";
    return false;
  }
  Current.Scheme = ChooseArchiveScheme(version);
  if (Current.Scheme == ArchiveScheme::None) {
    *reason = "Java " + FormatJavaVersion(version) + " makes no dynamic archive (13 and later do)";
    return false;
  }
  if (OptionsChooseSharing(options)) {
    *reason = "the options choose the class-data sharing themselves";
    return false;
  }
  if (!HasBaseArchive(options, reason) || !OpenArchiveDirectory(reason)) return false;
  const std::string name = "java" + std::to_string(version.Parts[0]);
  Current.Path = JoinPath(Current.Directory, (name + ".jsa").c_str());
  Current.KeyPath = JoinPath(Current.Directory, (name + ".key").c_str());
  RemoveLeftovers();
  return Current.Scheme == ArchiveScheme::AtExit ? PlanAtExit(options, reason)
                                                 : PlanAutoCreate(reason);
}

// The runtime calls its exit hook when the application ends the process with
// System.exit, after it has written the archive and just before the process ends.
void JNICALL ExitHook(jint) { FinishStartupArchive(); }

void FinishAtExit() {
  const char* pending = Current.Pending.c_str();
  if (!IsWholeArchive(pending)) {
    RemoveFile(pending);
    Trace("startup archive: the runtime wrote no whole archive to %s", pending);
    return;
  }
  if (!MoveFileOver(pending, Current.Path.c_str())) {
    Trace("startup archive: cannot move %s in place of %s", pending, Current.Path.c_str());
    RemoveFile(pending);
    return;
  }
  // An archive without its key is merely made again next time.
  const std::string key = PendingName(Current.KeyPath);
  if (!WriteWholeFile(key, Current.Key) || !MoveFileOver(key.c_str(), Current.KeyPath.c_str())) {
    RemoveFile(key.c_str());
    Trace("startup archive: cannot write the key %s", Current.KeyPath.c_str());
    return;
  }
  Trace("startup archive made: %s", Current.Path.c_str());
}

void FinishAutoCreate() {
  FileStamp after;
  if (!ReadFileStamp(Current.Path.c_str(), &after)) {
    Trace("startup archive: the runtime made none");
  } else if (!Current.Existed || after.Size != Current.Before.Size ||
             after.ModifiedNanoseconds != Current.Before.ModifiedNanoseconds) {
    Trace("startup archive made by the runtime: %s", Current.Path.c_str());
  } else {
    Trace("startup archive left as it was: %s", Current.Path.c_str());
  }
}

}  // namespace

std::vector<JavaVMOption> StartupArchiveOptions(const std::vector<std::string>& configured) {
  std::vector<JavaVMOption> options;
  if (!LaunchConfig.StartupArchive) return options;
  std::string reason;
  if (!PlanArchive(configured, &reason)) {
    Current.Scheme = ArchiveScheme::None;
    Trace("startup archive: none, %s", reason.c_str());
    return options;
  }
  for (std::string& text : Current.Texts) options.push_back({&text[0], nullptr});
  if (!Current.Pending.empty()) {
    options.push_back({const_cast<char*>("exit"), reinterpret_cast<void*>(&ExitHook)});
  }
  return options;
}

void FinishStartupArchive() {
  if (Current.Scheme == ArchiveScheme::None || Finished.exchange(true)) return;
  if (Current.Scheme == ArchiveScheme::AutoCreate) {
    FinishAutoCreate();
  } else if (!Current.Pending.empty()) {
    FinishAtExit();
  }
}
