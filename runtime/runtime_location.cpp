#include "runtime/runtime_location.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/current_directory.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/java_home.h"
#include "runtime/no_runtime_report.h"
#include "runtime/runtime_discovery.h"

char RegistryJavaHome[RegistryJavaHomeSize];
std::vector<std::string> PassedOverRuntimes;

namespace {

// Below HKEY_LOCAL_MACHINE, in their stored order: two runtime environment keys, then
// two development kit keys.
constexpr const char* RuntimeKeys[] = {
    "Software\\JavaSoft\\Java Runtime Environment",
    "Software\\IBM\\Java2 Runtime Environment",
    "Software\\JavaSoft\\Java Development Kit",
    "Software\\IBM\\Java Development Kit",
};

// Library paths below a Java home, in the order they are tried.
constexpr const char* JavaHomeLibraries[] = {
    "jre\\bin\\client\\jvm.dll",
    "jre\\bin\\server\\jvm.dll",
    "jre\\bin\\classic\\jvm.dll",
};

struct KeyOrder {
  int Count;
  int Keys[4];  // indices into RuntimeKeys
};

KeyOrder RegistryKeyOrder(int mode) {
  switch (mode) {
    case 1:
    case 5:
    case 7:
      return {4, {2, 3, 0, 1}};
    case 2:
    case 6:
      return {2, {0, 1}};
    case 3:
      return {2, {2, 3}};
    default:  // 0, 4 and every value outside 0 to 7
      return {4, {0, 1, 2, 3}};
  }
}

// The major version is the code of the name's first character minus '0', the minor
// version that of its third; each is compared with the required one on its own. A
// name without a third character has no minor version and is rejected.
bool PassesVersionTest(const char* version) {
  if (strnlen(version, 3) < 3) return false;
  const unsigned required = static_cast<unsigned>(LaunchConfig.JniVersion);
  const int major = static_cast<unsigned char>(version[0]) - '0';
  const int minor = static_cast<unsigned char>(version[2]) - '0';
  return major >= static_cast<int>(required >> 16) && minor >= static_cast<int>(required & 0xF);
}

// Puts `home`, a backslash and the `length` characters of `tail` into `result`. False,
// with `result` empty, when that does not fit: such a path counts as absent.
bool ComposePath(char* result, std::size_t size, const char* home, const char* tail,
                 std::size_t length) {
  const std::size_t homeLength = std::strlen(home);
  if (homeLength + 1 + length >= size) {
    result[0] = '\0';
    return false;
  }
  std::memcpy(result, home, homeLength);
  result[homeLength] = '\\';
  std::memcpy(result + homeLength + 1, tail, length);
  result[homeLength + 1 + length] = '\0';
  return true;
}

// The first non-empty entry of RuntimeLibrary, found without cutting the text. The
// configured search may already have cut the list at its first entry or may not have
// run yet; either way this gives the same entry, so the search order does not change
// which library is tried below a Java home.
const char* FirstRuntimeEntry(std::size_t* length) {
  const char* text = LaunchConfig.RuntimeLibrary.c_str();
  text += std::strspn(text, ";");
  *length = std::strcspn(text, ";");
  return text;
}

// Reads the values of one version's key `subkey` and looks for its library.
bool ExamineVersionKey(const char* subkey, char* result, std::size_t size) {
  ReadRegistryString(RegistryRoot::LocalMachine, subkey, "JavaHome", RegistryJavaHome,
                     RegistryJavaHomeSize);
  std::memset(result, 0, size);
  if (ReadRegistryString(RegistryRoot::LocalMachine, subkey, "RuntimeLib", result, size) == 0) {
    // A named library is final: nothing is composed from the Java home instead.
    return CanOpenForReading(result);
  }
  if (RegistryJavaHome[0] == '\0') return false;
  std::size_t entryLength = 0;
  const char* entry = FirstRuntimeEntry(&entryLength);
  if (entryLength > 0 && ComposePath(result, size, RegistryJavaHome, entry, entryLength) &&
      CanOpenForReading(result)) {
    return true;
  }
  for (const char* tail : JavaHomeLibraries) {
    if (ComposePath(result, size, RegistryJavaHome, tail, std::strlen(tail)) &&
        CanOpenForReading(result)) {
      return true;
    }
  }
  return false;
}

bool SearchDiscoveredRuntime(char* result, std::size_t size) {
  return DiscoverRuntime(result, size);
}

}  // namespace

void NotePassedOverRuntime(const std::string& version, const std::string& where,
                           const std::string& reason) {
  const std::string java = version.empty() ? "Java of unknown version" : "Java " + version;
  const std::string line = java + " at " + where + ": " + reason;
  // One home can be seen twice (JAVA_HOME or PATH, and again among the system's homes).
  if (std::find(PassedOverRuntimes.begin(), PassedOverRuntimes.end(), line) !=
      PassedOverRuntimes.end()) {
    return;
  }
  PassedOverRuntimes.push_back(line);
}

bool LocateRuntime() {
  char result[RuntimePathSize] = {};
  PassedOverRuntimes.clear();
  const bool discovery = LaunchConfig.RuntimeDiscovery;
  // With discovery on, the mode only decides which search comes first.
  auto other = discovery ? SearchDiscoveredRuntime : SearchRegistryRuntime;
  const bool found = LaunchConfig.RuntimeSearchMode > 3
                         ? other(result, sizeof result) ||
                               SearchConfiguredRuntime(result, sizeof result)
                         : SearchConfiguredRuntime(result, sizeof result) ||
                               other(result, sizeof result);
  if (!found) {
    Trace("no runtime found");
    // A table can say which Java it needs: "Quillmark needs Java %s or newer."
    ReportNoRuntime(discovery ? LaunchConfig.RuntimeMinVersion.c_str() : nullptr,
                    PassedOverRuntimes);
    return false;
  }
  LaunchConfig.RuntimeLibrary = MakeAbsolute(result);
  Trace("runtime library %s", LaunchConfig.RuntimeLibrary.c_str());
  return true;
}

bool SearchConfiguredRuntime(char* result, std::size_t size) {
  std::string& list = LaunchConfig.RuntimeLibrary;
  if (list.c_str()[0] == '\0') return false;
  char* cursor = nullptr;
  for (char* token = NextToken(list.data(), ";", &cursor); token != nullptr;
       token = NextToken(list.data(), ";", &cursor)) {
    // A runtime's home stands for its library, as the discovery finds it below a home.
    std::string home;
    const char* entry = token;
    if (ReadPathAttributes(token) == 1) {
      home = FindHomeLibrary(token);
      if (!home.empty()) entry = home.c_str();
    }
    const std::size_t length = std::strlen(entry);
    const bool present =
        length < size && ReadPathAttributes(entry) == 0 && CanOpenForReading(entry);
    Trace("runtime configured %s: %s", entry, present ? "present" : "absent");
    if (present && PassesConfiguredChecks(entry)) {
      std::memcpy(result, entry, length + 1);
      return true;
    }
  }
  return false;
}

bool SearchRegistryRuntime(char* result, std::size_t size) {
  const KeyOrder order = RegistryKeyOrder(LaunchConfig.RuntimeSearchMode);
  for (int i = 0; i < order.Count; ++i) {
    char keyPath[RegistryKeyPathSize];
    std::strcpy(keyPath, RuntimeKeys[order.Keys[i]]);
    char version[RegistryVersionNameSize];
    if (ReadRegistryString(RegistryRoot::LocalMachine, keyPath, "CurrentVersion", version,
                           sizeof version) == 0 &&
        TryRuntimeVersion(keyPath, version, result, size)) {
      return true;
    }
    RegistryKey key = OpenRegistryKey(RegistryRoot::LocalMachine, keyPath);
    if (key == nullptr) continue;
    // The current version comes up again here and is examined a second time.
    for (unsigned long index = 0; EnumerateRegistrySubkey(key, index, version, sizeof version);
         ++index) {
      if (TryRuntimeVersion(keyPath, version, result, size)) {
        CloseRegistryKey(key);
        return true;
      }
    }
    CloseRegistryKey(key);
  }
  return false;
}

bool TryRuntimeVersion(char* keyPath, const char* version, char* result, std::size_t size) {
  if (!PassesVersionTest(version)) {
    Trace("runtime registered %s\\%s: rejected by the version test", keyPath, version);
    char required[16];
    std::snprintf(required, sizeof required, "0x%08X",
                  static_cast<unsigned>(LaunchConfig.JniVersion));
    NotePassedOverRuntime(version, std::string("HKLM\\") + keyPath + "\\" + version,
                          std::string("fails the version test against JNI version ") + required);
    return false;
  }
  std::memset(RegistryJavaHome, 0, sizeof RegistryJavaHome);
  const std::size_t keyLength = std::strlen(keyPath);
  const std::size_t versionLength = std::strlen(version);
  // A subkey path that does not fit names no key this search can open.
  if (keyLength + 1 + versionLength >= RegistryKeyPathSize) return false;
  keyPath[keyLength] = '\\';
  std::memcpy(keyPath + keyLength + 1, version, versionLength + 1);
  const bool accepted = ExamineVersionKey(keyPath, result, size);
  Trace("runtime registered %s: %s", keyPath, accepted ? result : "no library");
  // Give the caller its key back: it opens and enumerates that key next.
  keyPath[keyLength] = '\0';
  return accepted;
}

int ReadRegistryString(RegistryRoot root, const char* path, const char* name, char* buffer,
                       std::size_t size) {
  RegistryKey key = OpenRegistryKey(root, path);
  if (key == nullptr) return -1;
  RegistryValueType type = RegistryValueType::Other;
  std::size_t length = 0;
  bool read = QueryRegistryValue(key, name, &type, buffer, size, &length);
  CloseRegistryKey(key);
  read = read && type != RegistryValueType::Other;
  // The registry does not promise a stored terminator: add one behind the data, and
  // refuse a string that fills the whole buffer without one.
  if (read && length < size) {
    buffer[length] = '\0';
  } else if (read) {
    read = std::memchr(buffer, '\0', size) != nullptr;
  }
  if (read) return 0;
  if (size > 0) buffer[0] = '\0';
  return 1;
}
