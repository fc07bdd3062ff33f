#pragma once

#include <string>

#include "tools/make/make_launcher.h"

/// Whether `options` with the configuration ask for an installer package: --installer
/// given, or neither --output nor --bundle and the configuration has an [installer]
/// table.
bool WantsInstaller(const MakeOptions& options, const MakeConfig& config);

/// Writes the installer package of the target: the .deb of linux (MakeDebPackage) or the
/// MSI of win32 and win64 (MakeMsiPackage), once the [installer] keys given are checked
/// to apply to it. `notice` receives remarks, `summary` the lines that tell what was
/// written.
bool MakeInstaller(const MakeOptions& options, const MakeConfig& config, std::string* error,
                   std::string* notice, std::string* summary);
