#include "platform/files.h"

#include <string>

#include "platform/win32/long_path.h"

std::FILE* OpenFile(const char* path, const char* mode) {
  const std::u16string wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(Wide(LongPathForm(path)), Wide(wideMode));
}

bool CanOpenForReading(const char* path) {
  std::FILE* file = OpenFile(path, "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}
