#pragma once

#include <string>
#include <vector>

#include "tools/make/config_file.h"

/// One run of the launcher maker.
struct MakeOptions {
  std::string ConfigPath;
  /// Configuration files read after ConfigPath, in order: their keys replace its.
  std::vector<std::string> OverConfigPaths;
  std::string Target;  // "win32", "win64" or "linux"
  std::string LauncherPath;
  std::string BitmapPath;  // overrides the configuration's Splash
  std::string IconPath;    // overrides the configuration's Icon
  std::string OutputPath;
  // A bundle instead of OutputPath: each overrides its key of the [bundle] table.
  std::string BundleDir;
  std::string InputDir;
  std::string RuntimePath;
  std::string JdkPath;
  std::string JmodsPath;
  bool Archive = false;
  std::string SignCertificate;  // --sign: the certificate of [sign], which it may leave out
  /// A bundle without a runtime of its own is made when the settings name none (the
  /// package of an application that runs on the installed Java).
  bool RuntimeOptional = false;
  /// The installer package to write instead (--installer).
  std::string InstallerPath;
};

/// Writes the launcher that `options` describe: the generic launcher of the target
/// with every entry, configured or DefaultEntry (and, for Windows, the message table,
/// splash bitmap, icon, version and manifest resources). The output is written to a
/// temporary file beside it, signed there when [sign] or --sign asks for it, and renamed
/// into place; a failed run leaves neither. The
/// inputs are only read. False with `error` set when anything is wrong; `notice`
/// receives remarks about settings the target does not use.
bool MakeLauncher(const MakeOptions& options, std::string* error, std::string* notice);

/// Reads `options.ConfigPath`, then each of `options.OverConfigPaths` over it (a later
/// file replaces the keys it sets). False with `error` naming the file and line.
bool ReadLayeredConfig(const MakeOptions& options, MakeConfig* config, std::string* error);

/// The same for a configuration already read (and, for a bundle, changed): writes
/// `options.OutputPath` from `config` and the generic launcher; the target must be known.
bool MakeLauncherFromConfig(const MakeOptions& options, const MakeConfig& config,
                            std::string* error, std::string* notice);

/// The signing this run asks for: the [sign] table with --sign over its certificate;
/// Present when either is given.
SignSettings SigningOf(const MakeOptions& options, const MakeConfig& config);
