#include "platform/embedded_archives.h"

#include <windows.h>

bool FindEmbeddedArchivePack(const unsigned char** data, std::size_t* size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, ArchivePackResourceName, RT_RCDATA);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
  if (bytes == nullptr) return false;
  *data = static_cast<const unsigned char*>(bytes);
  *size = SizeofResource(module, found);
  return true;
}

bool MakeTemporaryDirectory(const char* prefix, std::string* path) {
  char base[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof base, base);
  if (length == 0 || length >= sizeof base) return false;
  // A name no other process takes: the process id and a count, tried until one is new.
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = std::string(base) + prefix +
                                  std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      *path = candidate;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}
