#pragma once

/// Opens `target` (a web address or a file) the way the desktop opens it: with the
/// shell's "open" verb on Windows, with xdg-open elsewhere. False, with the system's
/// last error set, when it cannot be opened.
bool OpenWithShell(const char* target);
