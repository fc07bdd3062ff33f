#pragma once

#include <cstddef>
#include <string>

/// Whether a process that is still running makes the archive of `folder` now.
bool ArchiveBeingMade(const std::string& folder);

/// Marks that this process makes the archive of `folder`; false when another one does.
bool TakeArchiveMaking(const std::string& folder);

/// Ends the mark of TakeArchiveMaking.
void EndArchiveMaking(const std::string& folder);

/// Takes the key out of the archive's `folder`, so that no run maps the archive any
/// more, and removes what can be removed of the rest (on Windows, not an archive that
/// a running application maps).
void RetireArchiveFolder(const std::string& folder);

/// Removes the files of the folder `path` (no subfolders) and then the folder.
void RemoveArchiveFolder(const std::string& path);

/// Puts the whole folder `made` in the place of `folder`, in one step. When `folder`
/// is there already with a key that `key` matches, another process was quicker:
/// `made` goes and the result is true as well. Any other `folder` is retired first.
bool PutArchiveFolderInPlace(const std::string& made, const std::string& folder,
                             const std::string& key);

/// The ending of the file beside a key's folder that says why the runtime refused its
/// archive.
extern const char RefusedSuffix[];

/// Notes in the archive's `folder` that a run uses it now.
void MarkArchiveUsed(const std::string& folder);

/// Keeps in the application's cache `directory` the `count` keys used most recently
/// (their archive mapped, made or refused) and removes the folders and failures of the
/// others, but not a folder being made.
void KeepRecentKeys(const std::string& directory, std::size_t count);

/// Retires the archives that a run left marked as in use when it ended without a
/// normal end (a crash), and removes what processes that ended long ago left, and the
/// ".failed" files of earlier versions.
void TidyArchiveDirectory(const std::string& directory);
