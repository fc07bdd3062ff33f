#include "platform/profile.h"

#include <windows.h>

std::size_t ReadProfileString(const char* section, const char* key, const char* fallback,
                              char* buffer, std::size_t size, const char* path) {
  return GetPrivateProfileStringA(section, key, fallback, buffer, static_cast<DWORD>(size), path);
}
