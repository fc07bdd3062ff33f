#pragma once

#include <cstddef>

/// Handle of an open registry key; null when none is open.
using RegistryKey = void*;

/// The root keys the launcher reads below: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
enum class RegistryRoot { LocalMachine, CurrentUser };

/// How a registry value's type is told apart: a plain string (REG_SZ), an expandable
/// string (REG_EXPAND_SZ) or anything else.
enum class RegistryValueType { String, ExpandableString, Other };

/// Opens `path` below `root` for reading (RegOpenKeyExA, options 0, KEY_READ). Null
/// when the key does not exist or cannot be opened. Close a key with CloseRegistryKey.
RegistryKey OpenRegistryKey(RegistryRoot root, const char* path);

/// Reads the value `name` of `key` into `buffer`, offering `size` bytes
/// (RegQueryValueExA). On success `*type` is the value's type and `*length` the number
/// of bytes written, which for a string may or may not include its terminator. False
/// when the value is missing, does not fit in `size` bytes or cannot be read; the
/// buffer's contents are then unspecified.
bool QueryRegistryValue(RegistryKey key, const char* name, RegistryValueType* type, char* buffer,
                        std::size_t size, std::size_t* length);

/// Copies the name of the subkey at `index` into `buffer`, offering `size` characters
/// terminator included (RegEnumKeyExA). False when the enumeration fails at that index
/// for any reason: no more subkeys, a longer name, no right to enumerate.
bool EnumerateRegistrySubkey(RegistryKey key, unsigned long index, char* buffer, std::size_t size);

/// Closes a key from OpenRegistryKey (RegCloseKey).
void CloseRegistryKey(RegistryKey key);
