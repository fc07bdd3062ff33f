#include "platform/registry.h"

#include <windows.h>

namespace {

// Keys are read in the process's own view: a 32-bit launcher on 64-bit Windows sees
// the 32-bit registrations (below Wow6432Node), a 64-bit launcher the 64-bit ones,
// each the runtimes it can load.
HKEY RootHandle(RegistryRoot root) {
  return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

RegistryKey OpenRegistryKey(RegistryRoot root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(RootHandle(root), path, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool QueryRegistryValue(RegistryKey key, const char* name, RegistryValueType* type, char* buffer,
                        std::size_t size, std::size_t* length) {
  DWORD valueType = REG_NONE;
  DWORD bytes = static_cast<DWORD>(size);
  if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &valueType,
                       reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  *type = valueType == REG_SZ          ? RegistryValueType::String
          : valueType == REG_EXPAND_SZ ? RegistryValueType::ExpandableString
                                       : RegistryValueType::Other;
  *length = bytes;
  return true;
}

bool EnumerateRegistrySubkey(RegistryKey key, unsigned long index, char* buffer, std::size_t size) {
  DWORD characters = static_cast<DWORD>(size);
  return RegEnumKeyExA(static_cast<HKEY>(key), index, buffer, &characters, nullptr, nullptr,
                       nullptr, nullptr) == ERROR_SUCCESS;
}

void CloseRegistryKey(RegistryKey key) { RegCloseKey(static_cast<HKEY>(key)); }
