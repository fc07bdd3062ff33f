#pragma once

#include <string>

#include "platform/runtime_layout.h"
#include "runtime/java_version.h"

/// `directory` and `name` joined by the platform's separator; no second separator when
/// `directory` ends in one.
std::string JoinPath(const std::string& directory, const char* name);

/// `path` without its last element (and the separator before it); empty when the path
/// has no separator.
std::string ParentPath(const std::string& path);

/// The first runtime library of HomeLibraryPaths that can be opened below `home`;
/// empty when there is none.
std::string FindHomeLibrary(const std::string& home);

/// The Java version that the home's "release" file gives in its JAVA_VERSION="..."
/// line. False when the file or the line is missing or does not parse.
bool ReadReleaseVersion(const std::string& home, JavaVersion* version);

/// The Java version of the home that holds `library`, from the release file two
/// directories above the library's own (bin/server/jvm.dll, lib/server/libjvm.so) or
/// else three (jre/bin/server/jvm.dll). `*home` receives the home it was read from.
/// False when neither holds a version.
bool ReadRuntimeVersion(const std::string& library, JavaVersion* version, std::string* home);

/// The machine that the PE or ELF header of the file at `path` names; Unknown when the
/// file cannot be read or has neither header.
ExecutableMachine ReadLibraryMachine(const char* path);

/// A short name of the machine for messages ("i386", "x86-64", ...).
const char* MachineName(ExecutableMachine machine);
