#include "tools/make/package/installer_product.h"

#include <filesystem>
#include <system_error>

#include "platform/path_text.h"
#include "tools/make/bundle/make_bundle.h"
#include "tools/make/bundle/tree_copy.h"
#include "tools/make/config_defaults.h"

namespace fs = std::filesystem;

std::string VersionString(const MakeConfig& config, const char* key) {
  const auto found = config.Version.Strings.find(key);
  return found == config.Version.Strings.end() ? std::string() : found->second;
}

std::string ProductName(const MakeConfig& config) {
  if (!config.Installer.Name.empty()) return config.Installer.Name;
  const std::string product = VersionString(config, "ProductName");
  return product.empty() ? config.Bundle.Name : product;
}

std::string ProductManufacturer(const MakeConfig& config) {
  return config.Installer.Manufacturer.empty() ? VersionString(config, "CompanyName")
                                               : config.Installer.Manufacturer;
}

std::string ProductDescription(const MakeConfig& config, const std::string& name) {
  std::string text = config.Installer.Description;
  if (text.empty()) text = LaunchConfigOf(CompleteEntries(config)).ServiceDescription;
  if (text.empty()) text = VersionString(config, "FileDescription");
  if (text.empty()) text = name;
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text;
}

std::string InstallerOutput(const MakeOptions& options, const MakeConfig& config,
                            const std::string& defaultName) {
  const std::string given =
      options.InstallerPath.empty() ? config.Installer.File : options.InstallerPath;
  fs::path output = given.empty()
                        ? PathFromText(options.ConfigPath).parent_path() / PathFromText(defaultName)
                        : PathFromText(given);
  std::error_code ignored;
  if (!given.empty() &&
      (given.back() == '/' || given.back() == '\\' || fs::is_directory(output, ignored))) {
    output /= defaultName;
  }
  return PathText(fs::absolute(output).lexically_normal());
}

bool MakePackageBundle(const MakeOptions& options, const MakeConfig& config,
                       const std::string& generic, const std::string& dir,
                       const std::string& launcher, std::string* error, std::string* notice) {
  MakeOptions bundleOptions = options;
  bundleOptions.LauncherPath = generic;
  bundleOptions.OutputPath.clear();
  bundleOptions.InstallerPath.clear();
  bundleOptions.BundleDir = dir;
  bundleOptions.Archive = false;
  bundleOptions.RuntimeOptional = true;
  MakeConfig bundleConfig = config;
  bundleConfig.Bundle.Name = launcher;
  bundleConfig.Bundle.Archive = false;
  std::string summary;
  return MakeBundle(bundleOptions, bundleConfig, error, notice, &summary);
}

PackageStage::PackageStage(const std::string& output) : Path(output + ".corvane-make-tmp") {
  std::string ignored;
  RemoveTree(Path, &ignored);
}

PackageStage::~PackageStage() {
  std::string ignored;
  RemoveTree(Path, &ignored);
}
