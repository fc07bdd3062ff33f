#pragma once

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

/// Removes from the application's cache `directory` the folders of the same Java
/// feature version as `folder` other than it, which older keys left.
void RemoveOtherArchiveFolders(const std::string& directory, const std::string& folder);

/// Retires the archives that a run left marked as in use when it ended without a
/// normal end (a crash), and removes what processes that ended long ago left.
void TidyArchiveDirectory(const std::string& directory);
