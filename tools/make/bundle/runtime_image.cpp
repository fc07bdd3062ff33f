#include "tools/make/bundle/runtime_image.h"

#include <filesystem>
#include <fstream>

#include "platform/path_text.h"
#include "runtime/java_home.h"

namespace fs = std::filesystem;

namespace {

const char* const WindowsLibraries[] = {"bin/server/jvm.dll", "bin/client/jvm.dll", nullptr};
const char* const LinuxLibraries[] = {"lib/server/libjvm.so", "lib/client/libjvm.so", nullptr};

std::string FindLibrary(const std::string& image, const char* const* candidates) {
  std::error_code ignored;
  for (; *candidates != nullptr; ++candidates) {
    if (fs::is_regular_file(fs::path(image) / *candidates, ignored)) return *candidates;
  }
  return std::string();
}

std::string InTargetForm(std::string path, const std::string& target) {
  if (target != "linux") {
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  return path;
}

}  // namespace

std::string ReadReleaseValue(const std::string& home, const char* key) {
  std::ifstream in(fs::path(home) / "release");
  const std::string prefix = std::string(key) + "=";
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::string value = line.substr(prefix.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::string();
}

std::vector<std::string> ReadImageModules(const std::string& image) {
  std::vector<std::string> modules;
  const std::string line = ReadReleaseValue(image, "MODULES");
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    if (end > at) modules.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return modules;
}

const char* TargetSystem(const std::string& target) {
  return target == "linux" ? "Linux" : "Windows";
}

bool CheckRuntimeImage(const std::string& image, const std::string& target,
                       ExecutableMachine machine, std::string* library, std::string* error) {
  std::error_code ignored;
  if (!fs::is_directory(image, ignored)) {
    *error = image + ": no such folder";
    return false;
  }
  const bool windows = target != "linux";
  const std::string found = FindLibrary(image, windows ? WindowsLibraries : LinuxLibraries);
  if (found.empty()) {
    const std::string wanted = windows ? "bin\\server\\jvm.dll" : "lib/server/libjvm.so";
    if (!FindLibrary(image, windows ? LinuxLibraries : WindowsLibraries).empty()) {
      *error = image + ": a " + (windows ? "Linux" : "Windows") + " runtime; the " + target +
               " target needs a " + TargetSystem(target) + " runtime image (with " + wanted + ")";
    } else {
      *error = image + ": not a runtime image: it has no " + wanted;
    }
    return false;
  }
  const ExecutableMachine built = ReadLibraryMachine(PathText(fs::path(image) / found).c_str());
  if (built != machine) {
    *error = PathText(fs::path(image) / found) + ": a runtime for " + MachineName(built) +
             ", but the " + target + " launcher is for " + MachineName(machine) +
             " and cannot load it";
    return false;
  }
  *library = InTargetForm(found, target);
  return true;
}

bool CheckRuntimeVersion(const std::string& runtime, const JavaVersion& version,
                         const std::string& versionText, const std::string& minimum,
                         const std::string& maximum, std::string* error) {
  JavaVersion least;
  JavaVersion most;
  const bool hasLeast = ParseJavaVersion(minimum.c_str(), &least);
  const bool hasMost = ParseJavaVersion(maximum.c_str(), &most);
  const std::string bounds =
      hasLeast && hasMost ? "RuntimeMinVersion is " + minimum + " and RuntimeMaxVersion " + maximum
      : hasLeast          ? "RuntimeMinVersion is " + minimum
                          : "RuntimeMaxVersion is " + maximum;
  if (version.Count == 0 && (hasLeast || hasMost)) {
    *error = runtime + ": its Java version cannot be told (its release file names none), and " +
             bounds + ": the launcher would pass the bundle's runtime over";
    return false;
  }
  const bool tooOld = hasLeast && CompareJavaVersions(version, least) < 0;
  const bool tooNew = hasMost && !WithinVersionBound(version, most);
  if (tooOld || tooNew) {
    *error = runtime + ": Java " + versionText + ", and " + bounds +
             ": the launcher would pass the bundle's runtime over; give a runtime of Java " +
             (hasLeast && hasMost ? minimum + " to " + maximum
              : hasLeast          ? minimum + " or later"
                                  : maximum + " or earlier") +
             ", or change the bound";
    return false;
  }
  return true;
}
