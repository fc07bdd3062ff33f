#pragma once

#include <windows.h>

/// Whether a directory owned by `owner` may hold the cache of the user `user`: one of
/// the user's own, or of the Administrators group or LocalSystem, which no other user
/// can give a directory to (an elevated run of the same user makes its directories the
/// Administrators group's). False for a null or malformed owner.
bool MayOwnUserCache(PSID owner, PSID user);
