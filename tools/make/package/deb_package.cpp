// The .deb of the linux target: the bundle below /opt, what a desktop or a service
// needs around it, and the package made by Debian's own tools.
#include "tools/make/package/deb_package.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/child_process.h"
#include "platform/path_text.h"
#include "platform/posix/string_blob.h"
#include "platform/process_start.h"
#include "platform/runtime_layout.h"
#include "runtime/java_home.h"
#include "service/systemd_unit.h"
#include "tools/make/bundle/tree_copy.h"
#include "tools/make/config_defaults.h"
#include "tools/make/package/deb_control.h"
#include "tools/make/package/installer_product.h"
#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/png_image.h"

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

void AddNotice(std::string* notice, const std::string& what) {
  *notice += (notice->empty() ? "" : "\ncorvane-make: note: ") + what;
}

// The programs that make the package, found on PATH (the process start takes a path).
struct HostTools {
  std::string DpkgDeb;
  std::string Shlibdeps;
  std::string Strip;
  std::string Gzip;
};

std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "";
  for (std::size_t at = 0; at < folders.size();) {
    const std::size_t end = std::min(folders.find(PathListSeparator, at), folders.size());
    const fs::path candidate =
        fs::path(folders.substr(at, end - at)) / (name + std::string(ProgramSuffix));
    at = end + 1;
    std::error_code ignored;
    const fs::perms perms = fs::status(candidate, ignored).permissions();
    if (candidate.is_absolute() && fs::is_regular_file(candidate, ignored) &&
        (perms & fs::perms::owner_exec) != fs::perms::none) {
      return PathText(candidate);
    }
  }
  return std::string();
}

bool FindHostTools(HostTools* tools, std::string* error) {
  const struct {
    const char* Name;
    const char* Package;
    std::string* Path;
  } wanted[] = {{"dpkg-deb", "dpkg", &tools->DpkgDeb},
                {"dpkg-shlibdeps", "dpkg-dev", &tools->Shlibdeps},
                {"strip", "binutils", &tools->Strip},
                {"gzip", "gzip", &tools->Gzip}};
  std::string missing;
  for (const auto& tool : wanted) {
    *tool.Path = FindProgram(tool.Name);
    if (tool.Path->empty()) {
      missing += std::string(missing.empty() ? "" : ", ") + tool.Name + " (Debian package " +
                 tool.Package + ")";
    }
  }
  if (missing.empty()) return true;
  return Fail(error, "a .deb is made with Debian's tools, and this machine lacks " + missing);
}

// Runs `arguments` in `folder` and gives their exit code (-1: not started) with what
// they wrote.
int RunIn(const std::vector<std::string>& arguments, const fs::path& folder, std::string* said) {
  const fs::path output = folder / "output.txt";
  int status = -1;
  if (!RunChildProcess(arguments, PathText(folder).c_str(), PathText(output).c_str(), &status)) {
    *said = arguments[0] + " could not be started";
    return -1;
  }
  std::ifstream in(output, std::ios::binary);
  said->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  while (!said->empty() && (said->back() == '\n' || said->back() == ' ')) said->pop_back();
  return status;
}

bool Run(const std::vector<std::string>& arguments, const fs::path& folder, std::string* error) {
  std::string said;
  if (RunIn(arguments, folder, &said) == 0) return true;
  return Fail(error, fs::path(arguments[0]).filename().string() + " failed: " + said);
}

bool IsElf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && std::string(magic, 4) ==
                                  "\x7f"
                                  "ELF";
}

bool WriteText(const fs::path& path, const std::string& text, fs::perms perms, std::string* error) {
  std::error_code failure;
  fs::create_directories(path.parent_path(), failure);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) fs::permissions(path, perms, failure);
  if (!out || failure) return Fail(error, PathText(path) + ": cannot be written");
  return true;
}

// The generic launcher without its symbols: strip would drop the table behind the
// program, so only the program in front of it is stripped, and the table follows it.
bool StripLauncher(const std::string& generic, const fs::path& work, const std::string& strip,
                   fs::path* stripped, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(generic, &bytes, error)) return false;
  std::size_t table = 0;
  if (!FindStringBlob(bytes.data(), bytes.size(), &table) || table == bytes.size()) {
    return Fail(error, generic + ": carries no string table behind the program");
  }
  const fs::path program = work / "program";
  if (!WriteText(program, bytes.substr(0, table), fs::perms(0755), error) ||
      !Run({strip, "--remove-section=.comment", "--remove-section=.note", PathText(program)}, work,
           error)) {
    return false;
  }
  std::string front;
  if (!ReadWholeFile(PathText(program), &front, error)) return false;
  *stripped = work / "launcher";
  return WriteText(*stripped, front + bytes.substr(table), fs::perms(0755), error);
}

// Every ELF file below `folder` but the launcher, stripped as Debian's packages are.
bool StripRuntime(const fs::path& folder, const std::string& strip, const fs::path& work,
                  std::string* error) {
  for (const std::string& name : ListTree(PathText(folder))) {
    const fs::path file = folder / name;
    std::error_code ignored;
    if (!fs::is_regular_file(fs::symlink_status(file, ignored)) || !IsElf(file)) continue;
    std::vector<std::string> command = {strip, "--remove-section=.comment",
                                        "--remove-section=.note"};
    if (name.find(".so") != std::string::npos) command.push_back("--strip-unneeded");
    command.push_back(PathText(file));
    if (!Run(command, work, error)) return false;
  }
  return true;
}

// Folders 0755, files 0644 or 0755 when any execute bit is set: what a package holds.
void NormalizeModes(const fs::path& root) {
  for (const std::string& name : ListTree(PathText(root))) {
    const fs::path path = root / name;
    std::error_code ignored;
    const fs::file_status status = fs::symlink_status(path, ignored);
    if (fs::is_symlink(status)) continue;
    const bool open = fs::is_directory(status) ||
                      (status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec |
                                               fs::perms::others_exec)) != fs::perms::none;
    fs::permissions(path, fs::perms(open ? 0755 : 0644), ignored);
  }
}

// The libraries the package's programs need, as dpkg-shlibdeps names their packages.
bool FindDepends(const fs::path& root, const fs::path& work, const std::string& shlibdeps,
                 std::string* depends, std::string* error) {
  if (!WriteText(work / "debian" / "control",
                 "Source: corvane-make\n\nPackage: corvane-make\nArchitecture: any\n",
                 fs::perms(0644), error)) {
    return false;
  }
  std::vector<std::string> command = {shlibdeps, "-O", "--ignore-missing-info"};
  std::vector<std::string> folders;
  for (const std::string& name : ListTree(PathText(root))) {
    const fs::path file = root / name;
    std::error_code ignored;
    if (!fs::is_regular_file(fs::symlink_status(file, ignored)) || !IsElf(file)) continue;
    command.push_back("-e" + PathText(file));
    // The runtime's libraries find each other beside themselves.
    const std::string folder = "-l" + PathText(file.parent_path());
    if (name.find(".so") != std::string::npos &&
        std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  command.insert(command.begin() + 3, folders.begin(), folders.end());
  std::string said;
  const int status = RunIn(command, work, &said);
  const std::string field = "shlibs:Depends=";
  const std::size_t at = said.find(field);
  if (status != 0 || at == std::string::npos) return Fail(error, "dpkg-shlibdeps failed: " + said);
  *depends = said.substr(at + field.size(), said.find('\n', at) - at - field.size());
  return true;
}

std::string Architecture(ExecutableMachine machine) {
  switch (machine) {
    case ExecutableMachine::X86_64:
      return "amd64";
    case ExecutableMachine::I386:
      return "i386";
    case ExecutableMachine::Arm64:
      return "arm64";
    default:
      return std::string();
  }
}

// When the package was made, for the changelog: SOURCE_DATE_EPOCH makes it reproducible.
std::string ChangelogDate() {
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  const std::time_t when =
      fixed != nullptr ? static_cast<std::time_t>(std::atoll(fixed)) : std::time(nullptr);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", std::gmtime(&when));
  return text;
}

// What the package is: its settings from [installer], else from the rest of the
// configuration.
struct PackagePlan {
  std::string Name;
  std::string Package;
  std::string Version;
  std::string Maintainer;
  std::string Synopsis;
  std::string Launcher;  // the launcher's file name below /opt/<package>
};

bool PlanPackage(const MakeOptions& options, const MakeConfig& config, PackagePlan* plan,
                 std::string* error, std::string* notice) {
  const InstallerSettings& installer = config.Installer;
  const LaunchConfigRecord launch = LaunchConfigOf(CompleteEntries(config));
  plan->Name = ProductName(config);
  if (plan->Name.empty()) {
    return Fail(error, options.ConfigPath +
                           ": the package needs a name: name in [installer], or "
                           "ProductName in [version]");
  }
  plan->Package = DebianPackageName(plan->Name);
  if (plan->Package.empty()) {
    return Fail(error, options.ConfigPath + ": installer.name: \"" + plan->Name +
                           "\" leaves no package name (letters and digits, at least two)");
  }
  plan->Version = installer.Version;
  if (plan->Version.empty()) plan->Version = VersionString(config, "ProductVersion");
  if (!IsPackageVersion(plan->Version)) {
    return Fail(error, options.ConfigPath + ": the package needs a version such as \"1.4\": " +
                           "version in [installer], or ProductVersion in [version]");
  }
  plan->Maintainer = installer.Maintainer;
  if (plan->Maintainer.empty()) plan->Maintainer = ProductManufacturer(config);
  if (plan->Maintainer.empty()) {
    return Fail(error, options.ConfigPath + ": the package needs a maintainer: maintainer in " +
                           "[installer] (\"Name <address>\"), or CompanyName in [version]");
  }
  if (plan->Maintainer.find('<') == std::string::npos ||
      plan->Maintainer.find('@') == std::string::npos) {
    AddNotice(notice, "a .deb's Maintainer is a name and an e-mail address; lintian refuses \"" +
                          plan->Maintainer +
                          "\": set maintainer = \"Name <address>\" in [installer]");
  }
  plan->Synopsis = ProductDescription(config, plan->Name);
  if (DebianPackageName(plan->Synopsis).compare(0, plan->Package.size(), plan->Package) == 0) {
    AddNotice(notice, "lintian refuses a description that starts with the package's name (\"" +
                          plan->Synopsis + "\"): set description in [installer]");
  }
  plan->Launcher = config.Bundle.Name.empty() ? plan->Package : config.Bundle.Name;
  if (plan->Launcher.find_first_not_of(
          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._+-") !=
      std::string::npos) {
    return Fail(error, options.ConfigPath + ": bundle.name: \"" + plan->Launcher +
                           "\" is the command of a package: letters, digits and ._+- only");
  }
  if (plan->Launcher == "app" || plan->Launcher == "runtime") {
    return Fail(error, options.ConfigPath + ": the launcher of the package would be named \"" +
                           plan->Launcher + "\", as a folder of the bundle beside it: set a " +
                           "name in [bundle]");
  }
  if (installer.Service) {
    if (launch.ServiceName.empty()) {
      return Fail(error, options.ConfigPath + ": installer.service: the package installs the " +
                             "service of ServiceName, and the configuration names none");
    }
    if (!IsSystemdUnitName(launch.ServiceName)) {
      return Fail(error, options.ConfigPath + ": ServiceName: \"" + launch.ServiceName +
                             "\" cannot name a systemd unit (letters, digits and :-_. only)");
    }
  }
  return true;
}

// The desktop entry's icon: the PNG of [installer] icon, else the configuration's icon
// made a PNG. Empty when there is none.
bool DesktopIcon(const MakeOptions& options, const MakeConfig& config, std::string* png,
                 unsigned* side, std::string* error) {
  std::string file;
  if (!config.Installer.Icon.empty()) {
    unsigned height = 0;
    if (!ReadWholeFile(config.Installer.Icon, png, error)) return false;
    if (!ReadPngSize(*png, side, &height)) {
      return Fail(error, config.Installer.Icon + ": installer.icon: not a PNG file");
    }
    return true;
  }
  const std::string ico = options.IconPath.empty() ? config.IconPath : options.IconPath;
  if (ico.empty()) return true;
  std::vector<IconImage> images;
  unsigned height = 0;
  if (!ReadWholeFile(ico, &file, error)) return false;
  if (!ReadIconFile(file, &images, error) || !IconToPng(images, png, error)) {
    return Fail(error, ico + ": " + *error);
  }
  return ReadPngSize(*png, side, &height);
}

}  // namespace

bool MakeDebPackage(const MakeOptions& options, const MakeConfig& config, std::string* error,
                    std::string* notice, std::string* summary) {
  PackagePlan plan;
  if (!PlanPackage(options, config, &plan, error, notice)) return false;
  const std::string architecture = Architecture(ReadLibraryMachine(options.LauncherPath.c_str()));
  if (architecture.empty()) return Fail(error, options.LauncherPath + ": not a Linux executable");
  HostTools tools;
  if (!FindHostTools(&tools, error)) return false;

  const fs::path output = InstallerOutput(
      options, config, plan.Package + "_" + plan.Version + "_" + architecture + ".deb");
  std::error_code failure;
  fs::create_directories(output.parent_path(), failure);
  PackageStage stage(PathText(output));
  const fs::path root = fs::path(stage.Path) / "root";
  const fs::path work = fs::path(stage.Path) / "work";
  fs::create_directories(work, failure);
  if (failure) return Fail(error, PathText(output) + ": cannot be written: " + failure.message());

  // The bundle, made as --bundle makes it, below /opt/<package>.
  fs::path launcher;
  if (!StripLauncher(options.LauncherPath, work, tools.Strip, &launcher, error)) return false;
  MakeOptions bundleOptions = options;
  bundleOptions.IconPath.clear();
  // The package uses the icon, the console flag and the version; the launcher does not.
  MakeConfig bundleConfig = config;
  bundleConfig.IconPath.clear();
  bundleConfig.Console = false;
  bundleConfig.Version = VersionSettings();
  std::string bundleNotice;
  if (!MakePackageBundle(bundleOptions, bundleConfig, PathText(launcher),
                         PathText(root / "opt" / plan.Package), plan.Launcher, error,
                         &bundleNotice)) {
    return false;
  }
  if (!bundleNotice.empty()) AddNotice(notice, bundleNotice);
  const fs::path runtime = root / "opt" / plan.Package / "runtime";
  const bool bundled = fs::exists(runtime, failure);
  if (bundled && !StripRuntime(runtime, tools.Strip, work, error)) return false;

  const std::string installed = "/opt/" + plan.Package + "/" + plan.Launcher;
  const fs::perms readable = fs::perms(0644);
  if (config.Console) {
    fs::create_directories(root / "usr" / "bin", failure);
    fs::create_symlink(installed, root / "usr" / "bin" / plan.Package, failure);
    if (failure) return Fail(error, "/usr/bin/" + plan.Package + ": " + failure.message());
  } else {
    std::string png;
    unsigned side = 0;
    if (!DesktopIcon(options, config, &png, &side, error)) return false;
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    if (!png.empty() &&
        !WriteText(root / "usr/share/icons/hicolor" / size / "apps" / (plan.Package + ".png"), png,
                   readable, error)) {
      return false;
    }
    if (!WriteText(
            root / "usr/share/applications" / (plan.Package + ".desktop"),
            DesktopEntryText(plan.Name, plan.Synopsis, installed, png.empty() ? "" : plan.Package),
            readable, error)) {
      return false;
    }
  }
  if (config.Installer.Service) {
    const LaunchConfigRecord launch = LaunchConfigOf(CompleteEntries(config));
    const std::string unit = launch.ServiceName + ".service";
    if (!WriteText(root / "lib/systemd/system" / unit, SystemdUnitText(launch, installed), readable,
                   error)) {
      return false;
    }
    for (const char* script : {"postinst", "prerm", "postrm"}) {
      if (!WriteText(root / "DEBIAN" / script,
                     MaintainerScript(script, unit, !launch.ManualServiceStart), fs::perms(0755),
                     error)) {
        return false;
      }
    }
  }

  const fs::path doc = root / "usr/share/doc" / plan.Package;
  std::string copyright =
      plan.Name + " " + plan.Version + ", packaged by " + plan.Maintainer + ".\n";
  const std::string legal = VersionString(config, "LegalCopyright");
  if (!legal.empty()) copyright += "\n" + legal + "\n";
  if (bundled) {
    copyright += "\nThe Java runtime in /opt/" + plan.Package +
                 "/runtime carries its own licences in its legal folder.\n";
  }
  if (!WriteText(doc / "copyright", copyright, readable, error) ||
      !WriteText(doc / "changelog",
                 plan.Package + " (" + plan.Version + ") unstable; urgency=medium\n\n  * " +
                     plan.Name + " " + plan.Version + ", packaged by corvane-make.\n\n -- " +
                     plan.Maintainer + "  " + ChangelogDate() + "\n",
                 readable, error) ||
      !Run({tools.Gzip, "-9nf", PathText(doc / "changelog")}, work, error)) {
    return false;
  }
  // Debian's own packages never install below /opt; an application that brings its
  // runtime and archives along is what /opt is for, so lintian is told it is meant.
  if (!WriteText(root / "usr/share/lintian/overrides" / plan.Package,
                 "# The application, its archives and its runtime live together below /opt/" +
                     plan.Package + ",\n# where the launcher finds them beside itself.\n" +
                     plan.Package + ": dir-or-file-in-opt\n",
                 readable, error)) {
    return false;
  }
  NormalizeModes(root);

  DebControlFields control;
  control.Package = plan.Package;
  control.Version = plan.Version;
  control.Architecture = architecture;
  control.Maintainer = plan.Maintainer;
  control.InstalledSizeKb = std::to_string((TreeSize(PathText(root)) + 1023) / 1024);
  if (!FindDepends(root, work, tools.Shlibdeps, &control.Depends, error)) return false;
  if (!bundled) {
    control.Depends +=
        (control.Depends.empty() ? "" : ", ") +
        JavaRuntimeDependency(LaunchConfigOf(CompleteEntries(config)).RuntimeMinVersion);
  }
  control.Section = config.Installer.Section.empty() ? "misc" : config.Installer.Section;
  control.Homepage = config.Installer.Homepage;
  control.Synopsis = plan.Synopsis;
  control.Extended =
      plan.Name + " " + plan.Version +
      (bundled ? " with its own Java runtime" : " on the Java runtime of the system") +
      ", packaged by corvane-make.";
  if (!WriteText(root / "DEBIAN" / "control", DebControlText(control), readable, error))
    return false;
  fs::permissions(root / "DEBIAN", fs::perms(0755), failure);

  const fs::path made = fs::path(stage.Path) / "package.deb";
  // The runtime's modules are compressed already: xz's strongest level would take four
  // times as long to save a twentieth.
  if (!Run({tools.DpkgDeb, "--root-owner-group", "-Zxz", "-z1", "--build", PathText(root),
            PathText(made)},
           work, error)) {
    return false;
  }
  fs::rename(made, output, failure);
  if (failure) return Fail(error, PathText(output) + ": cannot be written: " + failure.message());
  *summary = "package " + PathText(output) + ": " + FormatSize(TreeSize(PathText(output))) +
             "\nDepends: " + control.Depends + "\n";
  return true;
}
