#pragma once

#include <string>

/// `path`, an ANSI text, in the UTF-16 form that the wide file functions take: as it
/// stands while it is short; made full and given the "\\?\" prefix ("\\?\UNC\" for a
/// share) once it comes near MAX_PATH, which lifts that limit wherever the system takes
/// the prefix. A text that has a prefix already is only converted.
std::wstring LongPathForm(const char* path);

/// The ANSI text of a wide path that the system gave.
std::string NarrowPath(const wchar_t* path, std::size_t length);
