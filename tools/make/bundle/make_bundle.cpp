#include "tools/make/bundle/make_bundle.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "core/config_fields.h"
#include "platform/path_text.h"
#include "runtime/java_home.h"
#include "tools/make/bundle/archive_writer.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/bundle/java_tools.h"
#include "tools/make/bundle/runtime_image.h"
#include "tools/make/bundle/tree_copy.h"

namespace fs = std::filesystem;

namespace {

constexpr char TemporarySuffix[] = ".corvane-make-tmp";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
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
    std::string ignored;
    for (auto it = Paths.rbegin(); it != Paths.rend(); ++it) RemoveTree(PathText(*it), &ignored);
  }
};

// The archives jdeps reads: the jars below app/, as the launcher puts them on the class
// path. Anything else there (a README, a .properties file) is no input of jdeps.
std::vector<std::string> ArchivesBelow(const fs::path& app) {
  std::vector<std::string> archives;
  for (const std::string& name : ListTree(PathText(app))) {
    const fs::path path = app / name;
    std::string extension = PathText(path.extension());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::error_code ignored;
    if (extension == ".jar" && fs::is_regular_file(path, ignored)) {
      archives.push_back(PathText(path));
    }
  }
  return archives;
}

bool LinkRuntime(const MakeOptions& options, const BundleSettings& bundle, const Jdk& jdk,
                 const fs::path& app, const fs::path& output, std::string* error,
                 std::string* notice) {
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

// Replaces the launcher table's runtime, class path and main jar with the bundle's, the
// private runtime first.
bool PointAtBundle(const MakeOptions& options, const std::string& library, const AppLayout& layout,
                   MakeConfig* config, std::string* error) {
  const bool windows = options.Target != "linux";
  const auto targetForm = [windows](std::string path) {
    if (windows) std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  };
  std::string runtime = targetForm("runtime/" + library);
  const std::string configured = EntryText(*config, "RuntimeLibrary");
  if (library.empty()) runtime.clear();
  if (!configured.empty()) runtime += (runtime.empty() ? "" : ";") + configured;
  std::string joined;
  for (const std::string& entry : layout.ClassPath) {
    joined += (joined.empty() ? "" : ";") + (IsPortableEntry(entry) ? targetForm(entry) : entry);
  }
  std::vector<std::pair<const char*, std::string>> entries{{"RuntimeLibrary", runtime},
                                                           {"ClassPath", joined}};
  if (!layout.MainJar.empty()) entries.emplace_back("MainJar", targetForm(layout.MainJar));
  for (const auto& [name, text] : entries) {
    if (!StoreEntryText(config, name, text, "the bundle's", error)) return false;
  }
  // A mode above 3 searches the registry or the discovery first; the same mode less 4
  // keeps its registry keys and tries the private runtime first.
  const std::string mode = EntryText(*config, "RuntimeSearchMode");
  if (!mode.empty() && !library.empty()) {
    const long value = std::strtol(mode.c_str(), nullptr, 10);
    if (value > 3) {
      StoreEntryText(config, "RuntimeSearchMode",
                     std::to_string(value == 7  ? 1
                                    : value > 7 ? 0
                                                : value - 4),
                     "", error);
    }
  }
  return true;
}

// Checks the version of the runtime the bundle will hold against the configuration's
// bounds before anything is copied or linked.
bool CheckBundledVersion(const MakeConfig& config, const BundleSettings& bundle, const Jdk& jdk,
                         std::string* error) {
  const std::string home = bundle.Jdk.empty() ? bundle.Runtime : bundle.Jdk;
  std::string text = ReadReleaseValue(home, "JAVA_VERSION");
  JavaVersion version;
  if (bundle.Jdk.empty()) {
    ParseJavaVersion(text.c_str(), &version);
  } else {
    version = jdk.Version;
    if (text.empty()) text = FormatJavaVersion(version);
  }
  return CheckRuntimeVersion(home, version, text, EntryText(config, "RuntimeMinVersion"),
                             EntryText(config, "RuntimeMaxVersion"), error);
}

// The names that a file or folder at the top of the bundle cannot take.
bool IsBundleFolderName(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "app" || name == "runtime";
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
  if (IsBundleFolderName(name)) {
    return Fail(error, PathText(dir) + ": a bundle's launcher cannot be named " + name +
                           ": the bundle's folder " + name + "/ holds " +
                           (name[0] == 'a' || name[0] == 'A' ? "the application's archives"
                                                             : "the runtime") +
                           "; give the launcher another name with name = \"...\" in [bundle]");
  }
  std::error_code failure;
  if (fs::exists(dir, failure) &&
      (!fs::is_directory(dir, failure) || !HoldsBundleOnly(dir, name))) {
    return Fail(error, PathText(dir) + ": exists and holds more than a bundle (" + name +
                           ", app, runtime); give a new or empty folder");
  }

  // The archives of ClassPath and MainJar, each below app/.
  const std::string classPath = EntryText(config, "ClassPath");
  const std::string mainJar = EntryText(config, "MainJar");
  if (classPath.empty() && mainJar.empty()) {
    return Fail(error, options.ConfigPath +
                           ": a bundle holds the archives that MainJar and ClassPath "
                           "name, and it names none");
  }
  AppLayout layout;
  if (!PlanAppLayout(classPath, mainJar, bundle.Input, &layout, error, notice)) return false;

  const ExecutableMachine machine = options.Target == "win32" ? ExecutableMachine::I386
                                    : options.Target == "win64"
                                        ? ExecutableMachine::X86_64
                                        : ReadLibraryMachine(options.LauncherPath.c_str());
  if (machine == ExecutableMachine::Unknown) {
    return Fail(error, options.LauncherPath + ": not a Linux executable");
  }
  std::string library;
  Jdk jdk;
  // A package of an application that runs on the installed Java has no runtime of its own.
  const bool ownRuntime = !bundle.Jdk.empty() || !bundle.Runtime.empty();
  if (bundle.Jdk.empty()
          ? ownRuntime && !CheckRuntimeImage(bundle.Runtime, options.Target, machine, &library, error)
          : !OpenJdk(bundle.Jdk, &jdk, error)) {
    return false;
  }
  if (ownRuntime && !CheckBundledVersion(config, bundle, jdk, error)) return false;

  // Everything is made beside the bundle under temporary names, and nothing of it is
  // copied into itself when it lies inside an input folder.
  fs::path stage = dir;
  stage += TemporarySuffix;
  fs::path old = dir;
  old += ".corvane-make-old";
  fs::path archive = dir;
  archive += windows ? ".zip" : ".tar.gz";
  fs::path archiveStage = archive;
  archiveStage += TemporarySuffix;
  const std::vector<std::string> leaveOut{PathText(dir), PathText(stage), PathText(old),
                                          PathText(archive), PathText(archiveStage)};
  Cleanup cleanup;
  fs::path existing = dir.parent_path();
  while (!existing.empty() && !fs::exists(existing, failure)) {
    cleanup.Paths.insert(cleanup.Paths.begin(), existing);
    existing = existing.parent_path();
  }
  if (!RemoveTree(PathText(stage), error)) return false;  // left by a run that was killed
  fs::create_directories(dir.parent_path(), failure);
  if (!failure) fs::create_directory(stage, failure);
  if (failure) {
    return Fail(error, PathText(dir) + ": cannot be written (" + failure.message() + ")");
  }
  cleanup.Paths.push_back(stage);
  fs::create_directory(stage / "app", failure);
  for (const AppCopy& copy : layout.Copies) {
    const fs::path target = stage / "app" / copy.Target;
    fs::create_directories(target.parent_path(), failure);
    if (!CopyTree(copy.Source, PathText(target), error, leaveOut)) return false;
  }

  const fs::path runtime = stage / "runtime";
  if (!bundle.Jdk.empty()) {
    if (!LinkRuntime(options, bundle, jdk, stage / "app", runtime, error, notice) ||
        !CheckRuntimeImage(PathText(runtime), options.Target, machine, &library, error)) {
      return false;
    }
  } else if (!bundle.Runtime.empty() &&
             !CopyTree(bundle.Runtime, PathText(runtime), error, leaveOut)) {
    return false;
  }

  MakeConfig made = config;
  if (!PointAtBundle(options, library, layout, &made, error)) return false;
  MakeOptions launcher = options;
  launcher.OutputPath = PathText(stage / name);
  std::string remark;
  if (!MakeLauncherFromConfig(launcher, made, error, &remark)) return false;
  if (!remark.empty()) AddNotice(notice, remark);

  if (bundle.Archive) {
    cleanup.Paths.push_back(archiveStage);
    const std::string top = PathText(dir.filename());
    const bool written =
        windows ? WriteZipArchive(PathText(stage), top, PathText(archiveStage), error)
                : WriteTarGzArchive(PathText(stage), top, PathText(archiveStage), error);
    if (!written) return false;
  }

  // Into place: an earlier bundle moves aside first and goes once the new one is there.
  if (!RemoveTree(PathText(old), error)) return false;
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
  std::string leftOver;
  if (!RemoveTree(PathText(old), &leftOver)) AddNotice(notice, leftOver);
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
