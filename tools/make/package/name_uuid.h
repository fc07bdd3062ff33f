#pragma once

#include <string>

/// The name-based UUID (version 5, SHA-1) of `name` in the namespace `space` (a UUID
/// in its text form), as RFC 4122 makes it: the same name gives the same UUID. In
/// capitals, as Windows Installer writes GUIDs. Empty when `space` is not a UUID.
std::string NameBasedUuid(const std::string& space, const std::string& name);

/// Whether `text` is a UUID in its text form, 8-4-4-4-12 hexadecimal digits, with or
/// without braces around it.
bool IsUuidText(const std::string& text);
