#pragma once

#include <string>

#include "tools/make/make_launcher.h"

/// Whether `options` with the configuration's [bundle] table ask for a bundle rather
/// than a launcher alone: --bundle given, or no --output and the table names a dir.
bool WantsBundle(const MakeOptions& options, const MakeConfig& config);

/// Writes the bundle that `options` and the configuration describe: the folder DIR
/// with the launcher (DIR/<name>[.exe]), the archives of ClassPath below DIR/app and a
/// runtime image in DIR/runtime, copied from `runtime` or linked with the jlink of
/// `jdk`, the launcher's table pointing at both relative to itself; with `archive` also
/// DIR.zip (Windows targets) or DIR.tar.gz (linux). Everything is made under temporary
/// names beside DIR and moved into place at the end: a failed run leaves what was there
/// before. A DIR that exists is replaced only when it holds a bundle's names alone.
/// `notice` receives remarks, `summary` the lines that tell what was written.
bool MakeBundle(const MakeOptions& options, const MakeConfig& config, std::string* error,
                std::string* notice, std::string* summary);
