#pragma once

#include <string>

#include "tools/make/make_launcher.h"

/// What the .deb and the MSI share: the product's facts, from [installer] or else from
/// the rest of the configuration, where the package goes, and the bundle it holds.

/// The text of the [version] table's `key`; empty when it has none.
std::string VersionString(const MakeConfig& config, const char* key);

/// The product's name: name in [installer], [version] ProductName, or the name of
/// [bundle]; empty when none is set.
std::string ProductName(const MakeConfig& config);

/// Who makes it: manufacturer in [installer], or [version] CompanyName; empty when none.
std::string ProductManufacturer(const MakeConfig& config);

/// One line that says what it is: description in [installer], ServiceDescription,
/// [version] FileDescription, or `name`; control characters made blanks.
std::string ProductDescription(const MakeConfig& config, const std::string& name);

/// The package to write, absolute: --installer or [installer] file, or `defaultName`
/// beside the first configuration file. A name that ends in a separator, or an existing
/// folder, gets `defaultName` inside it.
std::string InstallerOutput(const MakeOptions& options, const MakeConfig& config,
                            const std::string& defaultName);

/// Makes the bundle of the package at `dir` as --bundle does, its launcher `launcher`
/// made from the generic launcher `generic` (signed as [sign] asks): the archives below
/// app/, and a runtime in runtime/ when the [bundle] table or the command line name one
/// (none otherwise: the application then runs on the installed Java). `config` is the
/// configuration as the package wants the launcher made.
bool MakePackageBundle(const MakeOptions& options, const MakeConfig& config,
                       const std::string& generic, const std::string& dir,
                       const std::string& launcher, std::string* error, std::string* notice);

/// The folder beside the package where it is made: removed with what it holds when this
/// goes, whatever the outcome, and at the start (left by a run that was killed).
struct PackageStage {
  std::string Path;
  explicit PackageStage(const std::string& output);
  ~PackageStage();
  PackageStage(const PackageStage&) = delete;
  PackageStage& operator=(const PackageStage&) = delete;
};
