#pragma once

#include <string>

/// The folder from which this run reads the archives that the launcher carries (a
/// one-file launcher); its relative ClassPath and MainJar entries are taken from it.
/// Empty when the launcher carries none.
extern std::string EmbeddedArchiveFolder;

/// Whether EmbeddedArchiveFolder is a temporary folder of this run alone.
extern bool EmbeddedArchivesTemporary;

/// When the executable carries archives, puts them where the runtime reads them and
/// sets EmbeddedArchiveFolder. That is a folder in the user's cache named by the
/// digest of their names and contents (below "<application>-archives", the main
/// class's name or else the main archive's), each archive written under a temporary
/// name and renamed into place. A start that finds the folder compares every archive
/// with the bytes the executable carries and writes again what differs, so that a
/// damaged or changed archive is never read. A new folder removes those of all but
/// the newest few other builds. When the cache cannot be used, the archives go to a
/// temporary folder of this run, which a process of the launcher's own removes once
/// this one has ended. False after a report when they can be put nowhere or the
/// executable's pack is damaged. The trace says where they were read from.
bool PrepareEmbeddedArchives();

/// The hidden switch with which the launcher starts itself to remove the temporary
/// folder of a run: "<switch> remove <folder> <process id>".
extern const char EmbeddedArchivesSwitch[];

/// Whether the `count` slots of `vector` (slot 0 reserved) are the hidden switch, a
/// role and its two values.
bool IsEmbeddedArchivesRun(int count, char** vector);

/// Waits for the process to end, then removes the folder, when it is a temporary
/// folder that PrepareEmbeddedArchives made (its name and its mark); gives the exit
/// code, 0 when it was removed.
int RunEmbeddedArchivesRole(int count, char** vector);
