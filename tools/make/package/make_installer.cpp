#include "tools/make/package/make_installer.h"

#include "tools/make/package/deb_package.h"
#include "tools/make/package/msi_package.h"

bool WantsInstaller(const MakeOptions& options, const MakeConfig& config) {
  return !options.InstallerPath.empty() ||
         (options.OutputPath.empty() && options.BundleDir.empty() && config.Installer.Present);
}

bool MakeInstaller(const MakeOptions& options, const MakeConfig& config, std::string* error,
                   std::string* notice, std::string* summary) {
  notice->clear();
  summary->clear();
  if (options.Target != "win32" && options.Target != "win64" && options.Target != "linux") {
    *error = "unknown target \"" + options.Target + "\" (win32, win64 or linux)";
    return false;
  }
  if (!CheckInstallerKeys(config.Installer, options.Target, error)) return false;
  return options.Target == "linux" ? MakeDebPackage(options, config, error, notice, summary)
                                   : MakeMsiPackage(options, config, error, notice, summary);
}
