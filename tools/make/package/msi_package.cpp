// The MSI of a Windows target: the bundle in the install folder, and what Windows
// Installer registers around it, built from a WiX source by the platform's tool.
#include "tools/make/package/msi_package.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/path_text.h"
#include "platform/process_start.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/bundle/tree_copy.h"
#include "tools/make/config_defaults.h"
#include "tools/make/package/code_signing.h"
#include "tools/make/package/find_program.h"
#include "tools/make/package/installer_product.h"
#include "tools/make/package/msi_host.h"
#include "tools/make/package/msi_source.h"
#include "tools/make/package/name_uuid.h"

namespace fs = std::filesystem;

namespace {

// The namespace of the upgrade codes corvane-make makes.
constexpr char UpgradeCodeSpace[] = "02A64B1B-5C66-4A58-BDD0-7D24174D80EC";
// What a folder of the sources written beside the MSI holds.
constexpr char BundleFolder[] = "bundle";
constexpr char IconFile[] = "product.ico";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// "<path>:<line>: installer.<key>: " where the key was set, else "<config>: ".
std::string WhereKey(const MakeOptions& options, const MakeConfig& config, const char* key) {
  const auto found = config.Installer.Where.find(key);
  return found == config.Installer.Where.end()
             ? options.ConfigPath + ": "
             : found->second + ": installer." + std::string(key) + ": ";
}

// The MSI's version: [installer] version, or the first three numbers of [version]
// ProductVersion.
bool PlanVersion(const MakeOptions& options, const MakeConfig& config, std::string* version,
                 std::string* error) {
  const std::string rule =
      "an MSI's version is three numbers such as \"1.4.0\", the first two 0 to 255, the "
      "third 0 to 65535";
  if (!config.Installer.Version.empty()) {
    *version = config.Installer.Version;
    return IsMsiVersion(*version) ||
           Fail(error, WhereKey(options, config, "version") + "\"" + *version + "\": " + rule);
  }
  if (!config.Version.Present) {
    return Fail(error, options.ConfigPath +
                           ": the MSI needs a version: version in [installer] (\"1.4.0\"), or "
                           "ProductVersion in [version]");
  }
  const unsigned* numbers = config.Version.ProductVersion;
  *version = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
             std::to_string(numbers[2]);
  if (numbers[3] != 0 || !IsMsiVersion(*version)) {
    return Fail(error, options.ConfigPath + ": version.ProductVersion: \"" +
                           VersionString(config, "ProductVersion") + "\" makes no MSI version (" +
                           rule + "; Windows Installer ignores a fourth): set version in " +
                           "[installer]");
  }
  return true;
}

// Everything the MSI says of itself, from the configuration.
bool PlanSource(const MakeOptions& options, const MakeConfig& config, MsiSource* source,
                std::string* error, std::string* notice) {
  const InstallerSettings& installer = config.Installer;
  const LaunchConfigRecord launch = LaunchConfigOf(CompleteEntries(config));
  source->Name = ProductName(config);
  if (source->Name.empty()) {
    return Fail(error, options.ConfigPath +
                           ": the MSI needs a name: name in [installer], or ProductName in "
                           "[version]");
  }
  source->Manufacturer = ProductManufacturer(config);
  if (source->Manufacturer.empty()) {
    return Fail(error, options.ConfigPath +
                           ": the MSI needs a manufacturer, whom Programs and Features names "
                           "as publisher: manufacturer in [installer], or CompanyName in "
                           "[version]");
  }
  if (!PlanVersion(options, config, &source->Version, error)) return false;
  source->UpgradeCode = installer.UpgradeCode;
  if (source->UpgradeCode.empty()) {
    source->UpgradeCode = DerivedUpgradeCode(source->Manufacturer, source->Name);
    AddNotice(notice, "the upgrade code of " + source->Name + " is " + source->UpgradeCode +
                          ", made from its manufacturer and name: every later version must "
                          "have it to replace this one; keep it with upgrade-code = \"" +
                          source->UpgradeCode + "\" in [installer]");
  } else {
    std::string code = installer.UpgradeCode;
    if (code.front() == '{') code = code.substr(1, 36);
    for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    source->UpgradeCode = code;
  }
  source->Description = ProductDescription(config, source->Name);
  source->Contact = installer.Maintainer;
  source->Homepage = installer.Homepage;
  source->Win64 = options.Target == "win64";
  source->PerUser = installer.Scope == "user";
  source->Folder = installer.Folder.empty() ? source->Name : installer.Folder;
  if (!IsWindowsName(source->Folder)) {
    return Fail(error, WhereKey(options, config, "name") + "\"" + source->Folder +
                           "\" cannot name the install folder: set folder in [installer]");
  }
  const std::string launcher = config.Bundle.Name.empty() ? source->Name : config.Bundle.Name;
  if (!IsWindowsName(launcher)) {
    return Fail(error, options.ConfigPath + ": \"" + launcher +
                           "\" cannot name the launcher: set name in [bundle]");
  }
  source->Launcher = launcher + ".exe";
  source->StartMenu = installer.StartMenu;
  source->Desktop = installer.Desktop;
  source->Service = installer.Service;
  if (installer.Service) {
    if (launch.ServiceName.empty()) {
      return Fail(error, WhereKey(options, config, "service") +
                             "the MSI installs the service of ServiceName, and the "
                             "configuration names none");
    }
    if (source->PerUser) {
      return Fail(error, WhereKey(options, config, "scope") +
                             "a service is installed for the whole machine, and scope = "
                             "\"user\" installs without elevation: leave scope out, or "
                             "service = true");
    }
    source->ServiceName = launch.ServiceName;
    source->ServiceDescription = launch.ServiceDescription;
    source->ServiceSwitch = launch.ServiceSwitch;
    source->ManualStart = launch.ManualServiceStart;
  }
  const struct {
    const char* What;
    const std::string& Text;
  } texts[] = {{"name", source->Name},
               {"manufacturer", source->Manufacturer},
               {"description", source->Description},
               {"maintainer", source->Contact},
               {"homepage", source->Homepage},
               {"folder", source->Folder},
               {"the launcher's name", source->Launcher},
               {"ServiceName", source->ServiceName},
               {"ServiceDescription", source->ServiceDescription}};
  for (const auto& text : texts) {
    if (!FitsCodePage1252(text.Text)) {
      return Fail(error, options.ConfigPath + ": " + text.What + " \"" + text.Text +
                             "\" holds a letter beyond Windows code page 1252, in which the "
                             "MSI is written");
    }
  }
  return true;
}

// The program that builds the MSI: [installer] wixl, or the first of this machine's
// builders on PATH.
bool FindBuilder(const MakeConfig& config, MsiBuilder* builder, std::vector<std::string>* paths,
                 std::string* error) {
  const std::string& wixl = config.Installer.Wixl;
  if (!wixl.empty()) {
    std::error_code ignored;
    if (!fs::is_regular_file(PathFromText(wixl), ignored)) {
      return Fail(error,
                  wixl + ": no such program (wixl in [installer]); " + MsiBuilderInstallHint);
    }
    *builder = {"wixl", MsiBuilderKind::Wixl};
    *paths = {wixl};
    return true;
  }
  for (const MsiBuilder* known = MsiBuilders; known->Name; ++known) {
    std::vector<std::string> found = {FindProgramOnPath(known->Name)};
    if (known->Kind == MsiBuilderKind::CandleLight) found.push_back(FindProgramOnPath("light"));
    if (std::find(found.begin(), found.end(), std::string()) == found.end()) {
      *builder = *known;
      *paths = found;
      return true;
    }
  }
  return Fail(error, MsiBuilderInstallHint);
}

// Runs `arguments` in `folder`; false with what it wrote in `error`.
bool Run(const std::vector<std::string>& arguments, const fs::path& folder, std::string* error) {
  const fs::path log = folder / "builder.log";
  int status = -1;
  const bool started =
      RunChildProcess(arguments, PathText(folder).c_str(), PathText(log).c_str(), &status);
  std::ifstream in(log, std::ios::binary);
  std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ')) {
    said.pop_back();
  }
  if (started && status == 0) return true;
  return Fail(error, PathText(PathFromText(arguments[0]).filename()) +
                         (started ? " failed: " + said : " could not be started"));
}

// Builds `msi` from `wxs`, both names in `folder`.
bool Build(const MsiBuilder& builder, const std::vector<std::string>& paths, bool win64,
           const fs::path& folder, const std::string& wxs, const std::string& msi,
           std::string* error) {
  const std::string arch = win64 ? "x64" : "x86";
  switch (builder.Kind) {
    case MsiBuilderKind::Wixl:
      return Run({paths[0], "-a", arch, "-o", msi, wxs}, folder, error);
    case MsiBuilderKind::Wix: {
      // WiX 4 reads its own schema: the source is converted in place first.
      std::string ignored;
      Run({paths[0], "convert", wxs}, folder, &ignored);
      return Run({paths[0], "build", "-arch", arch, "-o", msi, wxs}, folder, error);
    }
    case MsiBuilderKind::CandleLight:
      // Without ICE validation, as wixl builds it.
      return Run({paths[0], "-nologo", "-arch", arch, "-out", "product.wixobj", wxs}, folder,
                 error) &&
             Run({paths[1], "-nologo", "-sval", "-out", msi, "product.wixobj"}, folder, error);
  }
  return false;
}

bool WriteText(const fs::path& path, const std::string& text, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return out || Fail(error, PathText(path) + ": cannot be written");
}

// Whether `folder` holds nothing but what corvane-make writes into the folder of an
// MSI's sources.
bool HoldsSourcesOnly(const fs::path& folder) {
  std::error_code failure;
  for (fs::directory_iterator it(folder, failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::string name = PathText(it->path().filename());
    if (name != BundleFolder && name != IconFile) return false;
  }
  return !failure;
}

}  // namespace

std::string DerivedUpgradeCode(const std::string& manufacturer, const std::string& name) {
  return NameBasedUuid(UpgradeCodeSpace, manufacturer + "\n" + name);
}

bool MakeMsiPackage(const MakeOptions& options, const MakeConfig& config, std::string* error,
                    std::string* notice, std::string* summary) {
  MsiSource source;
  if (!PlanSource(options, config, &source, error, notice)) return false;
  MsiBuilder builder{};
  std::vector<std::string> builderPaths;
  if (!FindBuilder(config, &builder, &builderPaths, error)) return false;

  const fs::path output = PathFromText(InstallerOutput(
      options, config,
      source.Name + "-" + source.Version + "-" + (source.Win64 ? "x64" : "x86") + ".msi"));
  const std::string stem = PathText(output.stem());
  const fs::path besideWxs = output.parent_path() / (stem + ".wxs");
  const fs::path besideFiles = output.parent_path() / (stem + ".files");
  std::error_code failure;
  if (config.Installer.Wxs && fs::exists(besideFiles, failure) &&
      (!fs::is_directory(besideFiles, failure) || !HoldsSourcesOnly(besideFiles))) {
    return Fail(error, PathText(besideFiles) + ": exists and holds more than the sources of " +
                           "the MSI (" + BundleFolder + ", " + IconFile + "): move it away");
  }
  fs::create_directories(output.parent_path(), failure);
  PackageStage stage(PathText(output));
  const fs::path work = stage.Path;
  const fs::path files = work / (stem + ".files");
  fs::create_directories(files, failure);
  if (failure) return Fail(error, PathText(output) + ": cannot be written: " + failure.message());

  // The bundle, its launcher signed as [sign] asks, before it is packed.
  std::string bundleNotice;
  if (!MakePackageBundle(options, config, options.LauncherPath, PathText(files / BundleFolder),
                         source.Launcher.substr(0, source.Launcher.size() - 4), error,
                         &bundleNotice)) {
    return false;
  }
  if (!bundleNotice.empty()) AddNotice(notice, bundleNotice);
  source.Source = stem + ".files/" + BundleFolder;
  for (const std::string& entry : ListTree(PathText(files / BundleFolder))) {
    if (!FitsCodePage1252(entry)) {
      return Fail(error, PathText(files / BundleFolder / entry) +
                             ": the name holds a letter beyond Windows code page 1252, in which "
                             "the MSI is written");
    }
    source.Entries.push_back(entry);
    if (fs::is_directory(files / BundleFolder / entry, failure)) source.Folders.push_back(entry);
  }
  const std::string icon = options.IconPath.empty() ? config.IconPath : options.IconPath;
  if (!icon.empty()) {
    fs::copy_file(PathFromText(icon), files / IconFile, failure);
    if (failure) return Fail(error, icon + ": cannot be read: " + failure.message());
    source.Icon = stem + ".files/" + IconFile;
  }

  const std::string wxs = stem + ".wxs";
  const std::string msi = stem + ".msi";
  if (!WriteText(work / wxs, MsiSourceText(source), error) ||
      !Build(builder, builderPaths, source.Win64, work, wxs, msi, error)) {
    return false;
  }
  const SignSettings sign = SigningOf(options, config);
  std::string signNotice;
  if (sign.Present && !SignFile(sign, PathText(work / msi), error, &signNotice)) {
    return Fail(error, PathText(output) + ": cannot be signed: " + *error);
  }
  if (!signNotice.empty()) AddNotice(notice, signNotice);

  if (config.Installer.Wxs) {
    std::string removed;
    fs::remove(besideWxs, failure);
    if (!RemoveTree(PathText(besideFiles), &removed)) return Fail(error, removed);
    fs::rename(work / wxs, besideWxs, failure);
    if (!failure) fs::rename(files, besideFiles, failure);
    if (failure)
      return Fail(error, PathText(besideFiles) + ": cannot be written: " + failure.message());
  }
  fs::rename(work / msi, output, failure);
  if (failure) return Fail(error, PathText(output) + ": cannot be written: " + failure.message());
  *summary = "installer " + PathText(output) + ": " + FormatSize(TreeSize(PathText(output))) +
             "\nupgrade code " + source.UpgradeCode + "\n";
  if (config.Installer.Wxs) *summary += "WiX source " + PathText(besideWxs) + "\n";
  return true;
}
