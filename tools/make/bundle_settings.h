#pragma once

#include <string>
#include <vector>

#include "tools/make/toml.h"

struct MakeConfigKey;

/// What the configuration file's [bundle] table asks for: a folder with the launcher,
/// the application's archives and a runtime image. Paths are resolved against the
/// configuration file's folder; empty when not given.
struct BundleSettings {
  bool Present = false;
  std::string Dir;      // dir: the folder to write
  std::string Name;     // name: the launcher's file name without ".exe"
  std::string Input;    // input: where the archives of ClassPath are read
  std::string Runtime;  // runtime: a runtime image to copy
  std::string Jdk;      // jdk: a JDK whose jlink makes the runtime
  std::string Jmods;    // jmods: the modules jlink links from (another machine's JDK)
  bool ModulesGiven = false;
  std::vector<std::string> Modules;       // modules: instead of what jdeps finds
  std::vector<std::string> ExtraModules;  // extra-modules: added to them
  bool Archive = false;                   // archive: also DIR.zip or DIR.tar.gz
};

/// Reads the [bundle] table of the configuration file `path` over what earlier files
/// gave `bundle`: each key it sets replaces the earlier value (runtime and jdk replace
/// each other). False with `error` set to "<path>:<line>: bundle.<key>: <what is
/// wrong>" on the first fault found.
bool ReadBundleSettings(const toml::table& table, const std::string& path, BundleSettings* bundle,
                        std::string* error);

/// The keys of the [bundle] table as "bundle.<key>", with the TOML type of each: "file"
/// (a folder), "string", "boolean" or "array" (of strings).
std::vector<MakeConfigKey> BundleKeys();
