#include "runtime/java_home.h"

#include <cstdio>
#include <cstring>

#include "platform/directories.h"
#include "platform/files.h"

namespace {

bool IsSeparator(char c) { return c == PathSeparator || c == '/'; }

unsigned ReadLittleEndian(const unsigned char* bytes, int count) {
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

ExecutableMachine PeMachine(unsigned code) {
  switch (code) {
    case 0x014C: return ExecutableMachine::I386;
    case 0x8664: return ExecutableMachine::X86_64;
    case 0xAA64: return ExecutableMachine::Arm64;
    default: return ExecutableMachine::Other;
  }
}

ExecutableMachine ElfMachine(unsigned code) {
  switch (code) {
    case 3: return ExecutableMachine::I386;
    case 62: return ExecutableMachine::X86_64;
    case 183: return ExecutableMachine::Arm64;
    default: return ExecutableMachine::Other;
  }
}

// Reads `count` bytes at `offset`; false when the file is shorter.
bool ReadAt(std::FILE* file, long offset, unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

}  // namespace

std::string JoinPath(const std::string& directory, const char* name) {
  if (directory.empty() || IsSeparator(directory.back())) return directory + name;
  return directory + PathSeparator + name;
}

std::string ParentPath(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && IsSeparator(path[end - 1])) --end;  // "home/" is "home"
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return std::string();
  while (end > 1 && IsSeparator(path[end - 1])) --end;
  return path.substr(0, end);
}

std::string FindHomeLibrary(const std::string& home) {
  for (const char* const* tail = HomeLibraryPaths; *tail != nullptr; ++tail) {
    const std::string library = JoinPath(home, *tail);
    if (CanOpenForReading(library.c_str())) return library;
  }
  return std::string();
}

bool ReadReleaseVersion(const std::string& home, JavaVersion* version) {
  *version = JavaVersion();
  std::FILE* file = OpenFile(JoinPath(home, "release").c_str(), "r");
  if (file == nullptr) return false;
  constexpr char Key[] = "JAVA_VERSION=";
  char line[512];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, file) != nullptr) {
    if (std::strncmp(line, Key, sizeof Key - 1) != 0) continue;
    char* value = line + sizeof Key - 1;
    if (*value == '"') ++value;
    value[std::strcspn(value, "\"\r\n")] = '\0';
    found = ParseJavaVersion(value, version);
  }
  std::fclose(file);
  return found;
}

bool ReadRuntimeVersion(const std::string& library, JavaVersion* version, std::string* home) {
  std::string directory = ParentPath(ParentPath(ParentPath(library)));
  for (int tries = 0; tries < 2 && !directory.empty(); ++tries) {
    if (ReadReleaseVersion(directory, version)) {
      *home = directory;
      return true;
    }
    directory = ParentPath(directory);
  }
  return false;
}

ExecutableMachine ReadLibraryMachine(const char* path) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return ExecutableMachine::Unknown;
  ExecutableMachine machine = ExecutableMachine::Unknown;
  unsigned char header[64];
  if (ReadAt(file, 0, header, sizeof header)) {
    if (header[0] == 'M' && header[1] == 'Z') {
      // The PE signature lies where the DOS header's e_lfanew points; the machine
      // follows it.
      const long peOffset = static_cast<long>(ReadLittleEndian(header + 0x3C, 4));
      unsigned char signature[6];
      if (peOffset > 0 && ReadAt(file, peOffset, signature, sizeof signature) &&
          std::memcmp(signature, "PE\0\0", 4) == 0) {
        machine = PeMachine(ReadLittleEndian(signature + 4, 2));
      }
    } else if (std::memcmp(header, "\x7F" "ELF", 4) == 0 && header[5] == 1) {
      // e_machine, little-endian: the only byte order of the machines named here.
      machine = ElfMachine(ReadLittleEndian(header + 18, 2));
    }
  }
  std::fclose(file);
  return machine;
}

const char* MachineName(ExecutableMachine machine) {
  switch (machine) {
    case ExecutableMachine::I386: return "i386";
    case ExecutableMachine::X86_64: return "x86-64";
    case ExecutableMachine::Arm64: return "arm64";
    case ExecutableMachine::Other: return "another machine";
    default: return "unknown";
  }
}
