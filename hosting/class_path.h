#pragma once

#include <cstddef>
#include <string>

#include "hosting/text_buffer.h"

/// Completes LaunchConfig.JvmOptions for the creation of the virtual machine: checks
/// every entry of LaunchConfig.ClassPath (split at ConfiguredClassPathSeparators,
/// cutting that text in place; a relative entry made absolute against the current
/// directory) behind LaunchConfig.MainJar (made absolute in place), adds the archives
/// found below every directory entry, appends the quoted "-Djava.class.path=" option,
/// and expands the %NAME% references of the whole text.
/// False when an entry cannot be accessed: that has been reported and JvmOptions is
/// left as it was.
bool AssembleClassPath();

/// -1 when `entry` cannot be accessed (the system's text and MsgFileAccess with the
/// entry have been reported), 1 for a directory, 0 for anything else. An entry that
/// holds a '%' is not looked at and counts as a file.
int ClassifyClassPathEntry(const char* entry);

/// Size of the buffer that receives the current directory for the class path.
constexpr std::size_t ClassPathDirectorySize = 261;

/// `entry` as a path that does not depend on the current directory: `directory`, a
/// separator and `entry` when `entry` is relative; `entry` itself when it is absolute,
/// holds a '%' (its value is known only after expansion) or `directory` is empty.
std::string AbsoluteClassPathEntry(const char* entry, const char* directory);

/// Appends to `list` every ".jar" and ".zip" file (any case) below `directory`, depth
/// first in the file system's order, each as the directory path, a separator, the
/// name and a ';'. One trailing '\' or '/' is first removed from `directory` in place.
/// A directory reached again through a link below itself is not listed a second time.
/// False when a listing broke off; its system error has been reported and what the
/// list holds stays.
bool ScanArchiveDirectory(TextBuffer& list, char* directory);

/// `text` with every %NAME% replaced in one pass: %JAVA_HOME% by RegistryJavaHome,
/// any other name by its environment variable (nothing when unset or empty). An
/// unpaired '%' is dropped and the text behind it kept. Empty when the result is
/// empty or `text` is null.
std::string ExpandVariables(const char* text);
