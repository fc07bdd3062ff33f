#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/make/bundle_settings.h"
#include "tools/make/installer_settings.h"
#include "tools/make/pe/manifest.h"
#include "tools/make/sign_settings.h"

/// The version resource as the configuration file's [version] table gives it.
struct VersionSettings {
  bool Present = false;
  unsigned FileVersion[4] = {0, 0, 0, 0};
  unsigned ProductVersion[4] = {0, 0, 0, 0};
  /// Whether a file gave ProductVersion; otherwise it follows FileVersion.
  bool ProductVersionGiven = false;
  /// StringFileInfo values by key (FileVersion, ProductVersion, CompanyName, ...), UTF-8.
  std::map<std::string, std::string> Strings;
};

/// What one configuration file asks for.
struct MakeConfig {
  /// String-table entries in their stored form (UTF-8): only the keys the file sets.
  std::map<unsigned, std::string> Entries;
  VersionSettings Version;
  /// Icon and Splash, resolved against the file's directory; empty when not given.
  std::string IconPath;
  std::string SplashPath;
  /// ExecutionLevel, DpiAware and Utf8; ManifestKeys tells whether any was given.
  ManifestSettings Manifest;
  bool ManifestKeys = false;
  /// Console: a Windows launcher of the console subsystem instead of the window one.
  bool Console = false;
  /// OneFile: the application's archives go into the launcher.
  bool OneFile = false;
  /// The [bundle] table: the folder with the runtime that --bundle writes.
  BundleSettings Bundle;
  /// The [sign] table: the certificate that signs the Windows files written.
  SignSettings Sign;
  /// The [installer] table: the package that --installer writes.
  InstallerSettings Installer;
};

/// Reads and checks the TOML configuration file at `path`. False with `error` set to
/// "<path>:<line>: <key>: <what is wrong>" on the first fault found.
bool ReadMakeConfig(const std::string& path, MakeConfig* config, std::string* error);

/// The same for a text already read; `path` names it in errors and anchors the
/// relative Icon and Splash paths.
bool ParseMakeConfig(const std::string& text, const std::string& path, MakeConfig* config,
                     std::string* error);

/// Reads the file at `path` over the configuration that earlier files gave `config`:
/// each key it sets replaces the earlier value, the [version], [bundle], [sign] and
/// [installer] tables key by key (a FileVersion of an earlier file counts for a table
/// without one).
bool ReadMakeConfigOver(const std::string& path, MakeConfig* config, std::string* error);
bool ParseMakeConfigOver(const std::string& text, const std::string& path, MakeConfig* config,
                         std::string* error);

/// A key the configuration file knows and the TOML type of its value: "string",
/// "boolean", "integer", or "file" (a string naming a file relative to the file). A key
/// of a table is named "table.Key".
struct MakeConfigKey {
  std::string Name;
  const char* Type;
};

/// Every key of the configuration file, those of the launch configuration first.
std::vector<MakeConfigKey> MakeConfigKeys();

/// "unknown key", followed by "; did you mean K?" when one of `known` is close to `key`:
/// the same but for case, or one letter off (two for a key of eight letters or more),
/// where a letter swapped with its neighbour counts as one.
std::string UnknownKeyText(const std::string& key, const std::vector<std::string>& known);

/// The stored text of the launch configuration's setting `name` in `config`: empty when
/// the configuration leaves it out or sets it empty.
std::string EntryText(const MakeConfig& config, const char* name);

/// Stores `text` as the setting `name` ("<null>" when empty), for a tool that rewrites
/// a configuration. False with `error` ("<name>: <whose> value would be N characters
/// long; ...") when an entry cannot hold it.
bool StoreEntryText(MakeConfig* config, const char* name, const std::string& text,
                    const char* whose, std::string* error);

/// Checks a printf format of a message: at most one "%s", "%%" allowed, nothing else.
bool IsMessageFormat(const std::string& text);

/// Checks a Java class name in dotted form: identifiers separated by single dots.
bool IsJavaClassName(const std::string& text);
