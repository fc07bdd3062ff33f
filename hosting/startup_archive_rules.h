#pragma once

#include <string>
#include <vector>

#include "hosting/java_version.h"

/// How a runtime keeps the application's class-data archive.
enum class ArchiveScheme {
  None,        // Java 12 and older, or a version that is not known: no archive
  AtExit,      // Java 13 to 18: the launcher keeps a key beside the archive and, when
               // it does not match, has the runtime write a new one at the end
  AutoCreate,  // Java 19 and later: the runtime checks the archive and rewrites it
};

/// The scheme for a runtime of `version`.
ArchiveScheme ChooseArchiveScheme(const JavaVersion& version);

/// The name of the application's cache directory: the main class in dotted form
/// (other characters than letters, digits, '.', '_', '-' and '$' made '_', at most 96
/// of them), a '-' and the eight hexadecimal digits of a hash of `executable`.
std::string ArchiveDirectoryName(const std::string& mainClass, const std::string& executable);

/// Whether the configured options decide about class-data sharing themselves (-Xshare,
/// an archive or an AOT cache of their own): the launcher then adds nothing.
bool OptionsChooseSharing(const std::vector<std::string>& options);

/// Whether the runtime may run without compressed object pointers under these options
/// (turned off, ZGC, a heap limit of 30 GiB or more). It then takes its base archive
/// from classes_nocoops.jsa instead of classes.jsa.
bool MayTurnOffCompressedOops(const std::vector<std::string>& options);

/// Whether Java 13 to 18 find the application's classes in an archive under the
/// "-Djava.class.path=" option of `options`, its relative entries taken from
/// `currentDirectory`. They look each class up by its entry's file URL and miss every
/// entry whose full path a URL spells otherwise: a blank, a '%', a letter beyond ASCII.
/// (Java 25 was seen to find them; 17 does not.)
bool ClassPathFoundInArchive(const std::vector<std::string>& options,
                             const std::string& currentDirectory);

/// Whether `path` holds a whole dynamic archive. The runtime writes the header, which
/// begins with the magic number, after everything else: a file that a killed run left
/// behind begins with zeros.
bool IsWholeArchive(const char* path);

/// The Java version of the home that holds `library`, from the release file two
/// directories above the library's own (bin/server/jvm.dll, lib/server/libjvm.so) or
/// else three (jre/bin/server/jvm.dll). `*home` receives the home it was read from.
/// False when neither holds a version.
bool ReadRuntimeVersion(const std::string& library, JavaVersion* version, std::string* home);

/// The key of an archive made by the runtime `library` under `options`: the library's
/// full path, size and modification time, the same of the base archives beside it,
/// every option, and the size and modification time of each entry of the
/// "-Djava.class.path=" option, so that an updated runtime or application makes
/// another key.
std::string ArchiveKey(const std::string& library, const std::vector<std::string>& options);
