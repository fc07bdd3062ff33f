#include "tools/make/make_bundle.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "core/config_fields.h"
#include "hosting/java_home.h"
#include "platform/path_text.h"
#include "tools/make/archive_writer.h"
#include "tools/make/java_tools.h"
#include "tools/make/runtime_image.h"
#include "tools/make/tree_copy.h"

namespace fs = std::filesystem;

namespace {

constexpr char TemporarySuffix[] = ".corvane-make-tmp";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

void AddNotice(std::string* notice, const std::string& what) {
  *notice += (notice->empty() ? "" : "\ncorvane-make: note: ") + what;
}

unsigned EntryOf(const char* name) { return FindConfigField(name)->Entry; }

std::string EntryText(const MakeConfig& config, const char* name) {
  const auto found = config.Entries.find(EntryOf(name));
  if (found == config.Entries.end() || found->second == "<null>") return std::string();
  return found->second;
}

// The settings of this run: the [bundle] table with the command line over it.
BundleSettings Settings(const MakeOptions& options, const MakeConfig& config) {
  BundleSettings bundle = config.Bundle;
  if (!options.BundleDir.empty()) bundle.Dir = options.BundleDir;
  if (!options.InputDir.empty()) bundle.Input = options.InputDir;
  if (bundle.Input.empty()) bundle.Input = PathText(fs::path(options.ConfigPath).parent_path());
  if (bundle.Input.empty()) bundle.Input = ".";
  if (!options.RuntimePath.empty()) {
    bundle.Runtime = options.RuntimePath;
    bundle.Jdk.clear();
  }
  if (!options.JdkPath.empty()) {
    bundle.Jdk = options.JdkPath;
    bundle.Runtime.clear();
  }
  if (!options.JmodsPath.empty()) bundle.Jmods = options.JmodsPath;
  bundle.Archive = bundle.Archive || options.Archive;
  return bundle;
}

bool IsPortableEntry(const std::string& entry) {
  return entry.find('%') == std::string::npos && entry[0] != '/' && entry[0] != '\\' &&
         !(entry.size() > 1 && entry[1] == ':');
}

// Whether the folder `dir` may be replaced: it holds nothing but a bundle's names.
bool HoldsBundleOnly(const fs::path& dir, const std::string& launcher) {
  std::error_code failure;
  for (fs::directory_iterator it(dir, failure), end; !failure && it != end; it.increment(failure)) {
    const std::string name = PathText(it->path().filename());
    if (name != launcher && name != "app" && name != "runtime") return false;
  }
  return !failure;
}

// Removes what a failed run made: the temporary folder and files, and the folders
// made above the bundle.
struct Cleanup {
  std::vector<fs::path> Paths;
  bool Done = false;
  ~Cleanup() {
    if (Done) return;
    std::error_code ignored;
    for (auto it = Paths.rbegin(); it != Paths.rend(); ++it) fs::remove_all(*it, ignored);
  }
};

// The archives jdeps reads: the ClassPath files, and the .jar files below its folders.
std::vector<std::string> ArchivesBelow(const fs::path& app) {
  std::vector<std::string> archives;
  for (const std::string& name : ListTree(PathText(app))) {
    const fs::path path = app / name;
    std::error_code ignored;
    if (fs::is_regular_file(path, ignored)) archives.push_back(PathText(path));
  }
  return archives;
}

bool LinkRuntime(const MakeOptions& options, const BundleSettings& bundle, const fs::path& app,
                 const fs::path& output, std::string* error, std::string* notice) {
  Jdk jdk;
  if (!OpenJdk(bundle.Jdk, &jdk, error)) return false;
  const std::string system = TargetSystem(options.Target);
  LinkRequest request;
  request.Output = PathText(output);
  std::error_code ignored;
  const fs::path ownJmods = fs::path(bundle.Jdk) / "jmods";
  const bool ownModules = bundle.Jmods.empty() || fs::equivalent(bundle.Jmods, ownJmods, ignored);
  if (ownModules) {
    if (!jdk.System.empty() && jdk.System != system) {
      return Fail(error, "a " + options.Target + " runtime is linked from a " + system +
                             " JDK's modules, and " + bundle.Jdk + " is a " + jdk.System +
                             " JDK: " + AskForJmods(jdk, system) + " as jmods in [bundle] " +
                             "(or --jmods)");
    }
    if (fs::is_directory(ownJmods, ignored)) request.ModulePath = PathText(ownJmods);
    request.StartupArchive = true;
  } else {
    if (!CheckJmods(jdk, bundle.Jmods, system, error)) return false;
    request.ModulePath = bundle.Jmods;
  }

  std::vector<std::string> found;
  const std::vector<std::string> archives = ArchivesBelow(app);
  std::string jdepsError;
  const bool jdepsRan = archives.empty()
                            ? (found = {"java.base"}, true)
                            : FindModuleDependencies(jdk, archives, &found, &jdepsError);
  if (bundle.ModulesGiven) {
    request.Modules = bundle.Modules;
  } else if (jdepsRan) {
    request.Modules = found;
  } else {
    return Fail(error, jdepsError);
  }
  for (const std::string& module : bundle.ExtraModules) request.Modules.push_back(module);
  if (request.Modules.empty()) request.Modules.push_back("java.base");
  if (!RunJlink(jdk, request, error)) return false;

  if (bundle.ModulesGiven) {
    const std::vector<std::string> linked = ReadImageModules(PathText(output));
    const std::set<std::string> present(linked.begin(), linked.end());
    std::string missing;
    for (const std::string& module : found) {
      if (!present.count(module)) missing += (missing.empty() ? "" : ", ") + module;
    }
    if (!jdepsRan) {
      AddNotice(notice, "the modules the application needs are not checked: " + jdepsError);
    } else if (!missing.empty() && !linked.empty()) {
      AddNotice(notice, "the application needs " + missing + ", which the runtime lacks: add " +
                            "it to modules or extra-modules in [bundle]");
    }
  }
  return true;
}

// Replaces the launcher table's runtime and class path with the bundle's, the private
// runtime first.
bool PointAtBundle(const MakeOptions& options, const std::string& library,
                   const std::vector<std::string>& classPath, MakeConfig* config,
                   std::string* error) {
  const bool windows = options.Target != "linux";
  std::string runtime = std::string(windows ? "runtime\\" : "runtime/") + library;
  const std::string configured = EntryText(*config, "RuntimeLibrary");
  if (library.empty()) runtime.clear();
  if (!configured.empty()) runtime += (runtime.empty() ? "" : ";") + configured;
  std::string joined;
  for (const std::string& entry : classPath) joined += (joined.empty() ? "" : ";") + entry;
  for (const auto& [name, text] :
       {std::pair<const char*, std::string>{"RuntimeLibrary", runtime}, {"ClassPath", joined}}) {
    if (text.size() > MaxEntryLength) {
      return Fail(error, std::string(name) + ": the bundle's value would be " +
                             std::to_string(text.size()) + " characters long; an entry holds " +
                             "at most " + std::to_string(MaxEntryLength));
    }
    config->Entries[EntryOf(name)] = text;
  }
  // A mode above 3 searches the registry or the discovery first; the same mode less 4
  // keeps its registry keys and tries the private runtime first.
  const std::string mode = EntryText(*config, "RuntimeSearchMode");
  if (!mode.empty() && !library.empty()) {
    const long value = std::strtol(mode.c_str(), nullptr, 10);
    if (value > 3)
      config->Entries[EntryOf("RuntimeSearchMode")] = std::to_string(value == 7  ? 1
                                                                     : value > 7 ? 0
                                                                                 : value - 4);
  }
  return true;
}

}  // namespace

bool WantsBundle(const MakeOptions& options, const MakeConfig& config) {
  return !options.BundleDir.empty() || (options.OutputPath.empty() && !config.Bundle.Dir.empty());
}

bool MakeBundle(const MakeOptions& options, const MakeConfig& config, std::string* error,
                std::string* notice, std::string* summary) {
  notice->clear();
  summary->clear();
  if (options.Target != "win32" && options.Target != "win64" && options.Target != "linux") {
    return Fail(error, "unknown target \"" + options.Target + "\" (win32, win64 or linux)");
  }
  const BundleSettings bundle = Settings(options, config);
  const bool windows = options.Target != "linux";
  if (bundle.Runtime.empty() && bundle.Jdk.empty() && !options.RuntimeOptional) {
    return Fail(error,
                "a bundle needs a runtime: runtime = \"FOLDER\" in [bundle] (or --runtime) "
                "copies a runtime image, jdk = \"FOLDER\" (or --jdk) links one with a JDK's "
                "jlink");
  }
  fs::path dir = fs::absolute(bundle.Dir).lexically_normal();
  if (dir.filename().empty()) dir = dir.parent_path();
  const std::string name =
      (bundle.Name.empty() ? PathText(dir.filename()) : bundle.Name) + (windows ? ".exe" : "");
  std::error_code failure;
  if (fs::exists(dir, failure) &&
      (!fs::is_directory(dir, failure) || !HoldsBundleOnly(dir, name))) {
    return Fail(error, PathText(dir) + ": exists and holds more than a bundle (" + name +
                           ", app, runtime); give a new or empty folder");
  }

  // The class path: each relative entry is copied below app/ and named there.
  const std::string classPath = EntryText(config, "ClassPath");
  if (classPath.empty()) {
    return Fail(error, options.ConfigPath +
                           ": ClassPath: a bundle holds the archives that "
                           "ClassPath names, and it names none");
  }
  std::vector<std::pair<fs::path, std::string>> copies;  // source, path below app/
  std::vector<std::string> entries;
  for (std::size_t at = 0; at <= classPath.size();) {
    const std::size_t end = std::min(classPath.find(';', at), classPath.size());
    std::string entry = classPath.substr(at, end - at);
    at = end + 1;
    if (entry.empty()) continue;
    if (!IsPortableEntry(entry)) {
      AddNotice(notice, "ClassPath: \"" + entry +
                            "\" is kept as written and not copied into "
                            "the bundle");
      entries.push_back(entry);
      continue;
    }
    std::string relative = entry;
    for (char& c : relative) c = c == '\\' ? '/' : c;
    const fs::path source = fs::path(bundle.Input) / relative;
    if (!fs::exists(source, failure)) {
      return Fail(error, PathText(source) + ": ClassPath names " + entry + ", which is not there " +
                             "(the archives are read from the folder of the configuration file, " +
                             "or from input in [bundle], or --input)");
    }
    copies.emplace_back(source, relative);
    std::string named = "app/" + relative;
    if (windows) {
      for (char& c : named) c = c == '/' ? '\\' : c;
    }
    entries.push_back(named);
  }

  // Everything is made beside the bundle under temporary names.
  Cleanup cleanup;
  fs::path existing = dir.parent_path();
  while (!existing.empty() && !fs::exists(existing, failure)) {
    cleanup.Paths.insert(cleanup.Paths.begin(), existing);
    existing = existing.parent_path();
  }
  fs::path stage = dir;
  stage += TemporarySuffix;
  fs::remove_all(stage, failure);  // left by a run that was killed
  fs::create_directories(dir.parent_path(), failure);
  if (!failure) fs::create_directory(stage, failure);
  if (failure) {
    return Fail(error, PathText(dir) + ": cannot be written (" + failure.message() + ")");
  }
  cleanup.Paths.push_back(stage);
  fs::create_directory(stage / "app", failure);
  for (const auto& [source, relative] : copies) {
    const fs::path target = stage / "app" / relative;
    fs::create_directories(target.parent_path(), failure);
    if (!CopyTree(PathText(source), PathText(target), error)) return false;
  }

  const fs::path runtime = stage / "runtime";
  const ExecutableMachine machine = options.Target == "win32" ? ExecutableMachine::I386
                                    : options.Target == "win64"
                                        ? ExecutableMachine::X86_64
                                        : ReadLibraryMachine(options.LauncherPath.c_str());
  if (machine == ExecutableMachine::Unknown) {
    return Fail(error, options.LauncherPath + ": not a Linux executable");
  }
  std::string library;
  if (!bundle.Jdk.empty()) {
    if (!LinkRuntime(options, bundle, stage / "app", runtime, error, notice) ||
        !CheckRuntimeImage(PathText(runtime), options.Target, machine, &library, error)) {
      return false;
    }
  } else if (!bundle.Runtime.empty() &&
             (!CheckRuntimeImage(bundle.Runtime, options.Target, machine, &library, error) ||
              !CopyTree(bundle.Runtime, PathText(runtime), error))) {
    return false;
  }

  MakeConfig made = config;
  if (!PointAtBundle(options, library, entries, &made, error)) return false;
  MakeOptions launcher = options;
  launcher.OutputPath = PathText(stage / name);
  std::string remark;
  if (!MakeLauncherFromConfig(launcher, made, error, &remark)) return false;
  if (!remark.empty()) AddNotice(notice, remark);

  fs::path archive;
  fs::path archiveStage;
  if (bundle.Archive) {
    archive = dir;
    archive += windows ? ".zip" : ".tar.gz";
    archiveStage = archive;
    archiveStage += TemporarySuffix;
    cleanup.Paths.push_back(archiveStage);
    const std::string top = PathText(dir.filename());
    const bool written =
        windows ? WriteZipArchive(PathText(stage), top, PathText(archiveStage), error)
                : WriteTarGzArchive(PathText(stage), top, PathText(archiveStage), error);
    if (!written) return false;
  }

  // Into place: an earlier bundle moves aside first and goes once the new one is there.
  fs::path old = dir;
  old += ".corvane-make-old";
  fs::remove_all(old, failure);
  if (fs::exists(dir, failure)) {
    fs::rename(dir, old, failure);
    if (failure) return Fail(error, PathText(dir) + ": cannot be replaced: " + failure.message());
  }
  fs::rename(stage, dir, failure);
  if (failure) {
    std::error_code ignored;
    if (fs::exists(old, ignored)) fs::rename(old, dir, ignored);
    return Fail(error, PathText(dir) + ": cannot be written: " + failure.message());
  }
  cleanup.Paths.erase(std::find(cleanup.Paths.begin(), cleanup.Paths.end(), stage));
  fs::remove_all(old, failure);
  if (bundle.Archive) {
    fs::rename(archiveStage, archive, failure);
    if (failure)
      return Fail(error, PathText(archive) + ": cannot be written: " + failure.message());
  }
  cleanup.Done = true;

  std::vector<std::string> modules = ReadImageModules(PathText(dir / "runtime"));
  std::sort(modules.begin(), modules.end());
  std::string list;
  for (const std::string& module : modules) list += (list.empty() ? "" : ", ") + module;
  *summary = "bundle " + PathText(dir) + ": " + FormatSize(TreeSize(PathText(dir))) + " (runtime " +
             FormatSize(TreeSize(PathText(dir / "runtime"))) + ")\n";
  if (bundle.Archive) {
    *summary +=
        "archive " + PathText(archive) + ": " + FormatSize(TreeSize(PathText(archive))) + "\n";
  }
  *summary +=
      "modules: " + (list.empty() ? "not listed (the runtime has no release file)" : list) + "\n";
  return true;
}
