#include "archive/rules.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/digest.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "runtime/java_home.h"

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

std::string Stamp(const std::string& path) {
  FileStamp stamp;
  // Not through printf: the Windows launcher's is the system's, which may not know %ll.
  return ReadFileStamp(path.c_str(), &stamp)
             ? std::to_string(stamp.Size) + " " + std::to_string(stamp.ModifiedNanoseconds)
             : std::string("missing");
}

void AppendStamp(std::string* key, const char* kind, const std::string& path) {
  *key += std::string(kind) + " " + path + "\n  " + Stamp(path) + "\n";
}

bool IsAgent(const std::string& option) {
  return StartsWith(option, "-javaagent:") || StartsWith(option, "-agentlib:") ||
         StartsWith(option, "-agentpath:");
}

// The lines of `text`, each without its line end ("\n" or "\r\n").
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

// The line of a failure that a run found: a digest of all the run's options; without
// options, the line's beginning.
std::string RunOptionsLine(const std::vector<std::string>& options) {
  std::string joined;
  for (const std::string& option : options) joined += option + "\n";
  return "under the options " + (options.empty() ? std::string() : KeyDigest(joined));
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
         (path.size() > 1 && path[1] == ':');
}

}  // namespace

bool VersionMakesArchives(const JavaVersion& version) {
  return version.Count > 0 && version.Parts[0] >= 11;
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

std::vector<std::string> SplitToolOptions(const char* text) {
  std::vector<std::string> options;
  const char* p = text == nullptr ? "" : text;
  while (true) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '\0') break;
    std::string option;
    while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) {
      if (*p == '\'' || *p == '"') {
        const char quote = *p++;
        while (*p != '\0' && *p != quote) option += *p++;
        if (*p == quote) ++p;
      } else {
        option += *p++;
      }
    }
    options.push_back(option);
  }
  return options;
}

bool OptionsLoadAgents(const std::vector<std::string>& options) {
  for (const std::string& option : options) {
    if (IsAgent(option)) return true;
  }
  return false;
}

std::vector<std::string> LayoutOptions(const std::vector<std::string>& options) {
  static const char* const Flags[] = {"UseCompressedOops",
                                      "UseCompressedClassPointers",
                                      "ObjectAlignmentInBytes",
                                      "UseCompactObjectHeaders",
                                      "MaxHeapSize",
                                      "UseSerialGC",
                                      "UseParallelGC",
                                      "UseG1GC",
                                      "UseZGC",
                                      "ZGenerational",
                                      "UseShenandoahGC",
                                      "UseEpsilonGC",
                                      "UnlockExperimentalVMOptions",
                                      "UnlockDiagnosticVMOptions"};
  static const char* const Prefixes[] = {"-Xmx", "-Xbootclasspath", "--", "-Djdk.module."};
  std::vector<std::string> layout;
  for (const std::string& option : options) {
    bool taken = false;
    const std::string name = FlagName(option);
    for (const char* flag : Flags) taken = taken || name == flag;
    for (const char* prefix : Prefixes) taken = taken || StartsWith(option, prefix);
    if (taken) layout.push_back(option);
  }
  return layout;
}

bool ClassPathFoundInArchive(const std::vector<std::string>& options,
                             const std::string& currentDirectory) {
  constexpr char Option[] = "-Djava.class.path=";
  // The runtime spells a path as a URL by the rules of RFC 2396, which java.net.URI
  // follows: it keeps letters, digits and the unreserved marks, and of the reserved
  // characters those that a path segment may hold as they are. It escapes ';', '=' and
  // '?', which the RFC reserves within a segment, and every excluded character (a
  // blank, '"', '#', '%', '<', '>', '[', '\', ']', '^', '`', '{', '|', '}'). The
  // separators '/' (and '\' on Windows, which becomes '/') and ':' stay as they are.
  constexpr char Marks[] = "-_.!~*'()";
  constexpr char SegmentCharacters[] = ":@&+$,/";
  for (const std::string& option : options) {
    if (option.compare(0, sizeof Option - 1, Option) != 0) continue;
    std::string paths = option.substr(sizeof Option - 1);
    if (!paths.empty()) paths = currentDirectory + ClassPathSeparator + paths;
    for (const char c : paths) {
      const unsigned char u = static_cast<unsigned char>(c);
      const bool kept = u < 0x80 && (std::isalnum(u) || std::strchr(Marks, c) != nullptr ||
                                     std::strchr(SegmentCharacters, c) != nullptr);
      if (kept || c == ClassPathSeparator || c == PathSeparator) continue;
      return false;
    }
  }
  return true;
}

std::string ArchiveKey(const std::string& library, const std::string& home,
                       const std::vector<std::string>& options) {
  std::string key;
  std::string resolved;
  if (!ResolveFinalPath(library.c_str(), &resolved)) resolved = library;
  AppendStamp(&key, "runtime", resolved);
  AppendStamp(&key, "release", JoinPath(home, "release"));
  constexpr char ClassPath[] = "-Djava.class.path=";
  for (const std::string& option : options) {
    const bool ignored =
        (StartsWith(option, "-D") && !StartsWith(option, ClassPath)) || IsAgent(option);
    if (!ignored) key += "option " + option + "\n";
  }
  if (OptionsLoadAgents(options)) key += "agents\n";
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

std::string KeyDigest(const std::string& key) {
  std::uint64_t digest = DigestStart;
  MixDigest(&digest, key.data(), key.size());
  return DigestText(digest);
}

std::vector<std::string> ClassPathFilesInLog(const std::string& log, const std::string& directory) {
  // Java 17 says "opened: x.jar" and "non-existent Class-Path entry y.jar"; Java 25
  // also "path [2] = y.jar (from cpattr)".
  static const char* const Markers[] = {"] opened: ", "] non-existent Class-Path entry ",
                                        "] path ["};
  std::vector<std::string> files;
  for (const std::string& line : TextLines(log)) {
    for (const char* marker : Markers) {
      const std::size_t at = line.find(marker);
      if (at == std::string::npos || line.find("[class,path]") == std::string::npos) continue;
      std::string path = line.substr(at + std::strlen(marker));
      if (std::strcmp(marker, "] path [") == 0) {
        const std::size_t equals = path.find("] = ");
        if (equals == std::string::npos) break;
        path = path.substr(equals + 4);
        const std::size_t from = path.rfind(" (from ");
        if (from != std::string::npos) path.erase(from);
        if (path.empty() || path[0] == '(') break;
      }
      if (path.empty()) break;
      if (!IsAbsolute(path)) path = JoinPath(directory, path.c_str());
      bool known = false;
      for (const std::string& file : files) known = known || file == path;
      if (!known) files.push_back(path);
      break;
    }
  }
  return files;
}

std::string StampLine(const std::string& path, const std::string& readFrom) {
  return "file " + path + "\n  " + Stamp(readFrom) + "\n";
}

std::string StampLines(const std::vector<std::string>& paths) {
  std::string lines;
  for (const std::string& path : paths) AppendStamp(&lines, "file", path);
  return lines;
}

bool StoredKeyMatches(const std::string& stored, const std::string& key) {
  if (stored.compare(0, key.size(), key) != 0) return false;
  std::size_t begin = key.size();
  while (begin < stored.size()) {
    const std::size_t pathEnd = stored.find("\n  ", begin);
    if (pathEnd == std::string::npos || !StartsWith(stored.substr(begin, 5), "file ")) return false;
    std::size_t end = stored.find('\n', pathEnd + 3);
    if (end == std::string::npos) end = stored.size();
    const std::string path = stored.substr(begin + 5, pathEnd - begin - 5);
    if (stored.compare(pathEnd + 3, end - pathEnd - 3, Stamp(path)) != 0) return false;
    begin = end + 1;
  }
  return true;
}

std::string FailureText(const std::string& reason, const std::vector<std::string>& runOptions) {
  return runOptions.empty() ? reason : reason + "\n" + RunOptionsLine(runOptions);
}

bool FailureHolds(const std::string& text, const std::vector<std::string>& options,
                  std::string* reason) {
  const std::size_t line = text.find("\n" + RunOptionsLine({}));
  *reason = text.substr(0, line);
  return line == std::string::npos ||
         text.compare(line + 1, std::string::npos, RunOptionsLine(options)) == 0;
}

std::string FailureLine(const std::string& output) {
  std::string found;
  for (std::string& line : TextLines(output)) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (!line.empty() && line[0] != '[') found = std::move(line);
  }
  return found;
}
