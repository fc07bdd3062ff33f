#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "hosting/text_buffer.h"

/// Completes LaunchConfig.JvmOptions for the creation of the virtual machine: takes
/// LaunchConfig.MainJar as one entry, never split, then every entry of
/// LaunchConfig.ClassPath (split at ConfiguredClassPathSeparators, cutting that text in
/// place); expands the %NAME% references of each entry as written and only then makes
/// a relative one absolute against the current directory (so that a '%' in that
/// directory's name stays as it is); checks each, adds the archives found below every
/// directory entry, and appends the quoted "-Djava.class.path=" option to the expanded
/// JvmOptions. MainJar becomes its expanded, absolute form.
/// False when an entry cannot be accessed: that has been reported and JvmOptions is
/// left as it was.
bool AssembleClassPath();

/// The entries of the class path that the last AssembleClassPath gave the machine, in
/// order; an entry that is a directory is followed by the archives found below it.
extern std::vector<std::string> AssembledClassPath;

/// -1 when `entry` cannot be accessed (the system's text and MsgFileAccess with the
/// entry have been reported), 1 for a directory, 0 for anything else. An entry whose
/// written form `written` held a '%' is not looked at and counts as a file: what a
/// reference names is the application's affair.
int ClassifyClassPathEntry(const char* written, const char* entry);

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
