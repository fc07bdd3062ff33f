#include "tests/fakes/fake_registry.h"

#include <cstring>

FakeRegistryState FakeRegistry;

RegistryKey OpenRegistryKey(RegistryRoot root, const char* path) {
  const bool user = root == RegistryRoot::CurrentUser;
  FakeRegistry.Opened.push_back(user ? std::string("HKCU\\") + path : std::string(path));
  auto& keys = user ? FakeRegistry.UserKeys : FakeRegistry.Keys;
  auto found = keys.find(path);
  if (found == keys.end()) return nullptr;
  ++FakeRegistry.OpenKeys;
  return &found->second;
}

bool QueryRegistryValue(RegistryKey key, const char* name, RegistryValueType* type, char* buffer,
                        std::size_t size, std::size_t* length) {
  const auto& values = static_cast<FakeRegistryKey*>(key)->Values;
  auto found = values.find(name);
  if (found == values.end()) return false;
  const std::string& data = found->second.Data;
  if (data.size() > size) return false;  // ERROR_MORE_DATA
  std::memcpy(buffer, data.data(), data.size());
  *type = found->second.Type;
  *length = data.size();
  return true;
}

bool EnumerateRegistrySubkey(RegistryKey key, unsigned long index, char* buffer, std::size_t size) {
  const auto& subkeys = static_cast<FakeRegistryKey*>(key)->Subkeys;
  if (index >= subkeys.size()) return false;  // ERROR_NO_MORE_ITEMS
  const std::string& name = subkeys[index];
  if (name.size() + 1 > size) return false;  // ERROR_MORE_DATA
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

void CloseRegistryKey(RegistryKey) { --FakeRegistry.OpenKeys; }
