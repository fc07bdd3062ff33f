#pragma once

#include <string>

/// Finds or makes the directory `name` (one path element) in the calling user's cache
/// of Corvane: %LOCALAPPDATA%\Corvane\<name> on Windows,
/// ${XDG_CACHE_HOME:-$HOME/.cache}/corvane/<name> elsewhere, with every missing
/// directory on the way. The two directories of Corvane's own are made private to the
/// user: on Windows with an access list that admits the user alone, elsewhere with
/// mode 0700. An existing one that belongs to another user or is a link (on Windows
/// any reparse point, a junction among them) is refused; elsewhere one that others may
/// enter is closed, and no directory is made inside a directory of another user (a
/// home kept under sudo). True with the path in `*path`; false with the reason, in
/// words, in `*reason`.
bool OpenUserCacheDirectory(const char* name, std::string* path, std::string* reason);
