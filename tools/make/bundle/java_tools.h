#pragma once

#include <string>
#include <vector>

#include "runtime/java_version.h"

/// A JDK whose jlink and jdeps run on this machine.
struct Jdk {
  std::string Home;
  std::string Jlink;
  std::string Jdeps;
  JavaVersion Version;  // of its jlink
  std::string System;   // OS_NAME of its release file ("Linux", "Windows"); may be empty
};

/// Finds jlink and jdeps below `home` and the version of that jlink (from the release
/// file, else from `jlink --version`). False with `error` saying what is missing.
bool OpenJdk(const std::string& home, Jdk* jdk, std::string* error);

/// What jlink is asked to link.
struct LinkRequest {
  std::string ModulePath;  // --module-path; empty: the JDK's own modules
  std::vector<std::string> Modules;
  bool StartupArchive = false;  // --generate-cds-archive: the image runs on this machine
  std::string Output;
};

/// The arguments of jlink for `request`, the program first: always without debug
/// information, header files and manual pages, with the compression that version
/// offers (zip-6 from Java 21, 2 before).
std::vector<std::string> JlinkArguments(const Jdk& jdk, const LinkRequest& request);

/// Runs jlink. False with `error` holding what it printed.
bool RunJlink(const Jdk& jdk, const LinkRequest& request, std::string* error);

/// The modules that `jdeps --print-module-deps --ignore-missing-deps` finds for the
/// archives, in its order. False with `error` holding what it printed.
bool FindModuleDependencies(const Jdk& jdk, const std::vector<std::string>& archives,
                            std::vector<std::string>* modules, std::string* error);

/// Checks that `jmods` holds the modules of a JDK for `system` ("Windows", "Linux") of
/// the version of `jdk`'s jlink, as far as its folder tells. False with `error` saying
/// exactly what to give instead.
bool CheckJmods(const Jdk& jdk, const std::string& jmods, const std::string& system,
                std::string* error);

/// "give the jmods folder of a Windows JDK 17 (the version of this jlink)".
std::string AskForJmods(const Jdk& jdk, const std::string& system);
