#include "platform/files.h"

#include <cstdio>

bool CanOpenForReading(const char* path) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}
