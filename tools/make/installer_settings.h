#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/make/toml.h"

/// What the configuration file's [installer] table asks for: the package that installs
/// the application, a .deb for the linux target and an MSI for the Windows targets.
/// Every key is optional; what the table leaves out comes from the rest of the
/// configuration when the package is made.
struct InstallerSettings {
  bool Present = false;
  std::string File;          // file: the package to write, resolved against the file's folder
  std::string Name;          // name: the product's name; default [version] ProductName
  std::string Version;       // version: default [version] ProductVersion
  std::string Manufacturer;  // manufacturer: who makes it; default [version] CompanyName
  std::string Maintainer;    // maintainer: "Name <address>"; default manufacturer
  bool Service = false;      // service: install and start the service of ServiceName
  std::string Description;   // description: one line; default ServiceDescription or
                             // [version] FileDescription
  std::string Section;       // section: a .deb's archive section; default "misc"
  std::string Homepage;      // homepage: the product's web page
  std::string Icon;          // icon: a PNG for the desktop entry, resolved; default Icon
  std::string UpgradeCode;   // upgrade-code: an MSI's upgrade code; default from
                             // manufacturer and name
  std::string Scope;         // scope: "machine" (default) or "user", for an MSI
  std::string Folder;        // folder: the MSI's install folder; default name
  bool StartMenu = true;     // start-menu: an MSI's Start-menu shortcut
  bool Desktop = false;      // desktop: an MSI's desktop shortcut
  bool Wxs = false;          // wxs: the MSI's WiX source written beside it
  std::string Wixl;          // wixl: the program that builds the MSI; default found on PATH
  /// Where each key given was set, "<path>:<line>", by key: what a check that depends on
  /// the target names.
  std::map<std::string, std::string> Where;
};

/// Reads the [installer] table of the configuration file `path` over what earlier files
/// gave `installer`: each key replaces its earlier value. False with `error` set to
/// "<path>:<line>: installer.<key>: <what is wrong>" on the first fault found.
bool ReadInstallerSettings(const toml::table& table, const std::string& path,
                           InstallerSettings* installer, std::string* error);

/// Checks that every key `installer` was given applies to the package of `target`:
/// the .deb of linux or the MSI of win32 and win64. False with `error` set to
/// "<path>:<line>: installer.<key>: <why it does not apply>" for the first that does not.
bool CheckInstallerKeys(const InstallerSettings& installer, const std::string& target,
                        std::string* error);

/// Whether `version` is a package version: a digit first, then digits, letters and
/// ".+~" (1.4, 2.0.1, 1.0~rc1).
bool IsPackageVersion(const std::string& version);

/// Whether `name` can name a file or folder on Windows: not empty, no control character
/// and none of \ / : * ? " < > |, not ending in a blank or a dot.
bool IsWindowsName(const std::string& name);

/// Whether `version` is an MSI's product version: three numbers, the first two 0 to 255,
/// the third 0 to 65535 (1.4.0).
bool IsMsiVersion(const std::string& version);

/// A key of the [installer] table (without "installer."), its TOML type as corvane-make
/// --keys names it, and the targets it applies to: "linux", "windows", or empty for both.
struct InstallerKey {
  const char* Name;
  const char* Type;
  const char* Targets;
};
std::vector<InstallerKey> InstallerKeys();
