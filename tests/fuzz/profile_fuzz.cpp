// Reads arbitrary bytes as the INI file of the launch configuration. Whatever the file
// holds, a read gives a text terminated at the length it returns that fits the buffer
// (a value may hold a NUL byte of the file; the configuration reads up to it), a cut
// value is the start of the whole one, names match without regard to case, and a key
// that the file does not hold gives the fallback.
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/profile.h"

namespace {

constexpr std::size_t ValueSize = 1024;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Read(const char* section, const char* key, const char* fallback, std::size_t size,
                 const char* path) {
  char buffer[ValueSize + 1];
  std::memset(buffer, 'x', sizeof buffer);
  const std::size_t length = ReadProfileString(section, key, fallback, buffer, size, path);
  if (length >= size || buffer[length] != '\0' || buffer[size] != 'x') std::abort();
  return std::string(buffer, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int file = memfd_create("profile", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(file);
  if (file < 0 || size < 1) return 0;
  // The first byte picks the key and cuts the buffer short; the rest is the file.
  const char* key = data[0] & 1 ? "JvmOptions" : "AppOptions";
  const std::size_t cut = 1 + (data[0] >> 1) % ValueSize;
  if (ftruncate(file, 0) != 0 || pwrite(file, data + 1, size - 1, 0) != ssize_t(size - 1)) {
    return 0;
  }
  const char* section = "Application Configuration";
  const std::string whole = Read(section, key, "", ValueSize, path.c_str());
  if (whole.find('\n') != std::string::npos) std::abort();
  if (whole != Read(Upper(section).c_str(), Upper(key).c_str(), "", ValueSize, path.c_str())) {
    std::abort();
  }
  if (whole.rfind(Read(section, key, "", cut, path.c_str()), 0) != 0) std::abort();
  // A key that no line of the file names gives the fallback.
  const std::string text = Upper(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  if (text.find("MISSING") == std::string::npos &&
      Read(section, "Missing", "fallback", ValueSize, path.c_str()) != "fallback") {
    std::abort();
  }
  return 0;
}
