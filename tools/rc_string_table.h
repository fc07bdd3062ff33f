#pragma once

#include <string>

#include "platform/posix/string_blob.h"

/// Reads the STRINGTABLE entries (`id, "text"`) of a resource script. Texts take the
/// resource compiler's escapes: \\ \" \n \r \t and "" for a quote. False with
/// `error` set when the script cannot be read or an entry is malformed.
bool ReadRcStringTable(const std::string& path, StringEntries* entries, std::string* error);
