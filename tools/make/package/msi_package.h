#pragma once

#include <string>

#include "tools/make/make_launcher.h"

/// Writes the MSI of a Windows target that `options` and the configuration describe, to
/// --installer, [installer] file, or <name>-<version>-<x64|x86>.msi beside the
/// configuration: the bundle that --bundle would make (its runtime from the [bundle]
/// table and the command line; none when they name none) in the install folder, per
/// machine below Program Files or per user below LocalAppData\Programs; the product in
/// Programs and Features with its icon; Start-menu and desktop shortcuts; upgrades of
/// earlier versions; with `service = true` the service of ServiceName as the install
/// switch makes it. Built by wixl (by WiX on Windows), signed as [sign] asks after the
/// launcher inside it, in a folder beside it that goes at the end: a failed run leaves
/// the file that was there. `notice` receives remarks (the upgrade code made), `summary`
/// the lines that tell what was written.
bool MakeMsiPackage(const MakeOptions& options, const MakeConfig& config, std::string* error,
                    std::string* notice, std::string* summary);

/// The upgrade code an MSI gets when [installer] names none: a name-based UUID of the
/// manufacturer and the product's name, so that every version of the product has it.
std::string DerivedUpgradeCode(const std::string& manufacturer, const std::string& name);
