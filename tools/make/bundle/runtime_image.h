#pragma once

#include <string>
#include <vector>

#include "platform/runtime_layout.h"
#include "runtime/java_version.h"

/// The value of `key` in the "release" file of the Java home or runtime image `home`
/// (KEY="value"), without its quotes; empty when the file or the key is missing.
std::string ReadReleaseValue(const std::string& home, const char* key);

/// The modules of the release file's MODULES line.
std::vector<std::string> ReadImageModules(const std::string& image);

/// "Windows" for the win32 and win64 targets, "Linux" for linux: the operating system
/// as a JDK's release file names it.
const char* TargetSystem(const std::string& target);

/// Checks that `image` is a runtime image that the launcher of `target` can load: its
/// library lies where such an image keeps it and is built for `machine`. `library`
/// receives the library's path relative to the image in the target's form
/// ("bin\\server\\jvm.dll", "lib/server/libjvm.so"). False with `error` saying what the
/// image is instead.
bool CheckRuntimeImage(const std::string& image, const std::string& target,
                       ExecutableMachine machine, std::string* library, std::string* error);

/// Checks the version of a bundle's runtime, `version` as `versionText` says it, against
/// the RuntimeMinVersion and RuntimeMaxVersion texts `minimum` and `maximum` (either
/// empty: no bound), as the launcher will. False with `error` naming `runtime` (the
/// image or the JDK it is linked with), its version and the bound it fails; a version
/// that cannot be told fails any bound.
bool CheckRuntimeVersion(const std::string& runtime, const JavaVersion& version,
                         const std::string& versionText, const std::string& minimum,
                         const std::string& maximum, std::string* error);
