#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

/// One value of a fake key: its type and the bytes stored, exactly as the registry
/// would hold them (a string usually with its terminator).
struct FakeRegistryValue {
  RegistryValueType Type = RegistryValueType::String;
  std::string Data;
};

/// One fake key: its values by name and the names of its subkeys in enumeration order.
struct FakeRegistryKey {
  std::map<std::string, FakeRegistryValue> Values;
  std::vector<std::string> Subkeys;
};

/// The fake registry, keyed by full key path below each root, and what was done to it.
struct FakeRegistryState {
  std::map<std::string, FakeRegistryKey> Keys;      // below HKEY_LOCAL_MACHINE
  std::map<std::string, FakeRegistryKey> UserKeys;  // below HKEY_CURRENT_USER
  // Every path asked for, in order, opened or not; those below HKEY_CURRENT_USER
  // begin "HKCU\".
  std::vector<std::string> Opened;
  int OpenKeys = 0;                 // opened and not yet closed
};
extern FakeRegistryState FakeRegistry;

/// A string value as the registry stores it: the text and its terminator.
inline FakeRegistryValue FakeString(const std::string& text) {
  return {RegistryValueType::String, text + '\0'};
}
