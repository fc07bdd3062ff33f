#pragma once

#include <string>

// Wide texts are held as std::u16string, whose code is made where it is used:
// std::wstring would link the runtime's whole instantiation of it.

/// `path`, an ANSI text, in the UTF-16 form that the wide file functions take: as it
/// stands while it is short; made full and given the "\\?\" prefix ("\\?\UNC\" for a
/// share) once it comes near MAX_PATH, which lifts that limit wherever the system takes
/// the prefix. A text that has a prefix already is only converted.
std::u16string LongPathForm(const char* path);

/// The ANSI text of a wide path that the system gave.
std::string NarrowPath(const wchar_t* path, std::size_t length);

/// The wide functions' view of a UTF-16 text.
inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* Wide(std::u16string& text) { return reinterpret_cast<wchar_t*>(&text[0]); }
