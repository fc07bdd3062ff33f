#include "platform/registry.h"

// There is no registry here: no key can be opened, so a registry search finds nothing.

RegistryKey OpenRegistryKey(RegistryRoot, const char*) { return nullptr; }

bool QueryRegistryValue(RegistryKey, const char*, RegistryValueType*, char*, std::size_t,
                        std::size_t*) {
  return false;
}

bool EnumerateRegistrySubkey(RegistryKey, unsigned long, char*, std::size_t) { return false; }

void CloseRegistryKey(RegistryKey) {}
