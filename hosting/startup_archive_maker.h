#pragma once

/// Whether the `count` slots of `vector` (slot 0 reserved) are the hidden switch with
/// a role and a request.
bool IsStartupArchiveRun(int count, char** vector);

/// Plays the role that the hidden switch names and gives the process's exit code:
/// for the dump and the check, 0 when the runtime did its work. Reports nothing; the
/// trace says what became of the archive.
int RunStartupArchiveRole(int count, char** vector);
