#pragma once

#include <string>
#include <vector>

/// A file or folder that a bundle copies below its app/ folder.
struct AppCopy {
  std::string Source;
  std::string Target;  // below app/, '/' between names
};

/// Where a bundle puts the application's archives.
struct AppLayout {
  /// What to copy, no target inside another's (that copy holds it already).
  std::vector<AppCopy> Copies;
  /// The ClassPath entries of the bundle's launcher: "app/..." ('/' between names), or
  /// an entry kept as written.
  std::vector<std::string> ClassPath;
  /// The MainJar entry of the bundle's launcher; empty when the configuration has none.
  std::string MainJar;
};

/// Plans the copies of what `classPath` (entries separated by ';') and `mainJar` name,
/// read from the folder `input`. An entry keeps its path below the input folder; one
/// outside it (`../lib/a.jar`) goes below app/ under the path that follows its `..`
/// names, made unique when another entry holds that name. The jars that the manifests
/// of MainJar and of the ClassPath archives name in `Class-Path` are copied beside
/// them, as the machine will look for them there. An entry with a `%VARIABLE%` or an
/// absolute path is kept as written (a remark in `notice`). False with `error` for a
/// missing entry or a Class-Path entry that would leave app/.
bool PlanAppLayout(const std::string& classPath, const std::string& mainJar,
                   const std::string& input, AppLayout* layout, std::string* error,
                   std::string* notice);

/// Whether a ClassPath or MainJar entry names a file relative to the executable: no
/// %VARIABLE% and no absolute path, on either system.
bool IsPortableEntry(const std::string& entry);

/// Adds `what` to the remarks in `notice`, one a line, unless it is among them already.
void AddNotice(std::string* notice, const std::string& what);
