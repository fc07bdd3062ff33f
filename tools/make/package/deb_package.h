#pragma once

#include <string>

#include "tools/make/make_launcher.h"

/// Writes the .deb of the linux target that `options` and the configuration describe,
/// with dpkg-deb, to --installer, [installer] file, or <package>_<version>_<arch>.deb
/// beside the configuration: the bundle that --bundle would make (its runtime from the
/// [bundle] table and the command line; none when they name none) below
/// /opt/<package>, stripped; a command in /usr/bin for a console program, otherwise a
/// desktop entry with the icon as PNG; with `service = true` the unit of ServiceName in
/// /lib/systemd/system and the maintainer scripts that enable, start and stop it; and
/// its Depends from dpkg-shlibdeps, with an installed Java runtime when none is
/// bundled. Made in a folder beside the package, which goes at the end; a failed run
/// leaves the package that was there. `notice` receives remarks, `summary` the line
/// that tells what was written.
bool MakeDebPackage(const MakeOptions& options, const MakeConfig& config, std::string* error,
                    std::string* notice, std::string* summary);
