#pragma once

#include <string>

#include "tools/make/toml.h"

/// What the configuration file's [installer] table asks for: the package that installs
/// the application (a .deb for the linux target). Every key is optional; what the table
/// leaves out comes from the rest of the configuration when the package is made.
struct InstallerSettings {
  bool Present = false;
  std::string File;          // file: the package to write, resolved against the file's folder
  std::string Name;          // name: the product's name; default [version] ProductName
  std::string Version;       // version: default [version] ProductVersion
  std::string Manufacturer;  // manufacturer: who makes it; default [version] CompanyName
  std::string Maintainer;    // maintainer: a .deb's "Name <address>"; default manufacturer
  bool Service = false;      // service: install and start the service of ServiceName
  std::string Description;   // description: one line; default ServiceDescription or
                             // [version] FileDescription
  std::string Section;       // section: a .deb's archive section; default "misc"
  std::string Homepage;      // homepage: the product's web page
  std::string Icon;          // icon: a PNG for the desktop entry, resolved; default Icon
};

/// Reads the [installer] table of the configuration file `path` over what earlier files
/// gave `installer`: each key replaces its earlier value. False with `error` set to
/// "<path>:<line>: installer.<key>: <what is wrong>" on the first fault found.
bool ReadInstallerSettings(const toml::table& table, const std::string& path,
                           InstallerSettings* installer, std::string* error);

/// Whether `version` is a package version: a digit first, then digits, letters and
/// ".+~" (1.4, 2.0.1, 1.0~rc1).
bool IsPackageVersion(const std::string& version);
