#include "platform/files.h"

std::FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

bool CanOpenForReading(const char* path) {
  std::FILE* file = OpenFile(path, "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}
