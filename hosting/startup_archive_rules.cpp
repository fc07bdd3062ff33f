#include "hosting/startup_archive_rules.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hosting/java_home.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The name of a -XX option without its +, - or value: "-XX:+UseZGC" is "UseZGC".
std::string FlagName(const std::string& option) {
  if (!StartsWith(option, "-XX:")) return std::string();
  std::size_t begin = 4;
  if (begin < option.size() && (option[begin] == '+' || option[begin] == '-')) ++begin;
  return option.substr(begin, option.find('=', begin) - begin);
}

// A size as HotSpot reads it: digits and an optional unit; 0 when it is none.
unsigned long long ParseSize(const char* text) {
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text) return 0;
  static const char Units[] = "kmgt";
  const char* unit =
      *end == '\0' ? nullptr : std::strchr(Units, std::tolower(static_cast<unsigned char>(*end)));
  return unit == nullptr ? value : value << (10 * (unit - Units + 1));
}

void AppendStamp(std::string* key, const char* kind, const std::string& path) {
  FileStamp stamp;
  // Not through printf: the Windows launcher's is the system's, which may not know %ll.
  const std::string numbers = ReadFileStamp(path.c_str(), &stamp)
                                  ? std::to_string(stamp.Size) + " " +
                                        std::to_string(stamp.ModifiedNanoseconds)
                                  : std::string("missing");
  *key += std::string(kind) + " " + path + "\n  " + numbers + "\n";
}

}  // namespace

ArchiveScheme ChooseArchiveScheme(const JavaVersion& version) {
  if (version.Count == 0 || version.Parts[0] < 13) return ArchiveScheme::None;
  return version.Parts[0] < 19 ? ArchiveScheme::AtExit : ArchiveScheme::AutoCreate;
}

std::string ArchiveDirectoryName(const std::string& mainClass, const std::string& executable) {
  std::string name;
  for (char c : mainClass.substr(0, 96)) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::strchr("._-$", c) != nullptr;
    name += c == '/' ? '.' : keep ? c : '_';
  }
  // FNV-1a: two launchers of one application in two places keep two archives.
  unsigned hash = 2166136261u;
  for (unsigned char c : executable) hash = (hash ^ c) * 16777619u;
  char digits[10];
  std::snprintf(digits, sizeof digits, "-%08x", hash);
  return name + digits;
}

bool OptionsChooseSharing(const std::vector<std::string>& options) {
  static const char* const Names[] = {"SharedArchiveFile",       "ArchiveClassesAtExit",
                                      "AutoCreateSharedArchive", "UseSharedSpaces",
                                      "SharedClassListFile",     "DumpLoadedClassList"};
  for (const std::string& option : options) {
    if (StartsWith(option, "-Xshare")) return true;
    const std::string name = FlagName(option);
    if (StartsWith(name, "AOT")) return true;
    for (const char* known : Names) {
      if (name == known) return true;
    }
  }
  return false;
}

bool MayTurnOffCompressedOops(const std::vector<std::string>& options) {
  constexpr unsigned long long Limit = 30ULL << 30;
  for (const std::string& option : options) {
    const std::string name = FlagName(option);
    if (name == "UseCompressedOops" || name == "UseZGC") return true;
    if (StartsWith(option, "-Xmx") && ParseSize(option.c_str() + 4) >= Limit) return true;
    if (name == "MaxHeapSize" && ParseSize(option.c_str() + option.find('=') + 1) >= Limit) {
      return true;
    }
  }
  return false;
}

bool ClassPathFoundInArchive(const std::vector<std::string>& options,
                             const std::string& currentDirectory) {
  constexpr char Option[] = "-Djava.class.path=";
  // What a file URL keeps as it is; a backslash becomes a '/'.
  constexpr char Kept[] = "-_.!~*'()/:;@&=+$,\\";
  for (const std::string& option : options) {
    if (option.compare(0, sizeof Option - 1, Option) != 0) continue;
    std::string paths = option.substr(sizeof Option - 1);
    if (!paths.empty()) paths = currentDirectory + ClassPathSeparator + paths;
    for (const char c : paths) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x80 && (std::isalnum(u) || std::strchr(Kept, c) != nullptr || c == ClassPathSeparator)) {
        continue;
      }
      return false;
    }
  }
  return true;
}

bool IsWholeArchive(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  unsigned char magic[4] = {};
  const bool read = std::fread(magic, 1, sizeof magic, file) == sizeof magic;
  std::fclose(file);
  // 0xf00baba8, the magic number of a dynamic archive, in the byte order of x86.
  static const unsigned char Dynamic[4] = {0xa8, 0xab, 0x0b, 0xf0};
  return read && std::memcmp(magic, Dynamic, sizeof magic) == 0;
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

std::string ArchiveKey(const std::string& library, const std::vector<std::string>& options) {
  std::string key;
  std::string resolved;
  if (!ResolveFinalPath(library.c_str(), &resolved)) resolved = library;
  AppendStamp(&key, "runtime", resolved);
  // A dynamic archive holds only what its base archive lacks; a new base makes it void.
  for (const char* base : {"classes.jsa", "classes_nocoops.jsa"}) {
    AppendStamp(&key, "base", JoinPath(ParentPath(resolved), base));
  }
  for (const std::string& option : options) key += "option " + option + "\n";
  constexpr char ClassPath[] = "-Djava.class.path=";
  for (const std::string& option : options) {
    if (!StartsWith(option, ClassPath)) continue;
    std::size_t begin = sizeof ClassPath - 1;
    while (begin <= option.size()) {
      std::size_t end = option.find(ClassPathSeparator, begin);
      if (end == std::string::npos) end = option.size();
      if (end > begin) AppendStamp(&key, "entry", option.substr(begin, end - begin));
      begin = end + 1;
    }
  }
  return key;
}
