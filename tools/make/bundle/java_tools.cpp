#include "tools/make/bundle/java_tools.h"

#include <filesystem>

#include "platform/child_process.h"
#include "platform/path_text.h"
#include "tools/make/bundle/runtime_image.h"

namespace fs = std::filesystem;

namespace {

std::string LastLine(const std::string& text) {
  std::size_t end = text.find_last_not_of("\r\n \t");
  if (end == std::string::npos) return std::string();
  const std::size_t begin = text.find_last_of('\n', end);
  return text.substr(begin == std::string::npos ? 0 : begin + 1,
                     end + 1 - (begin == std::string::npos ? 0 : begin + 1));
}

std::string Feature(const JavaVersion& version) {
  return version.Count > 0 ? std::to_string(version.Parts[0]) : std::string("?");
}

}  // namespace

bool OpenJdk(const std::string& home, Jdk* jdk, std::string* error) {
  *jdk = Jdk();
  jdk->Home = home;
  std::error_code ignored;
  if (!fs::is_directory(home, ignored)) {
    *error = home + ": no such folder (jdk: the folder of a JDK)";
    return false;
  }
  const fs::path bin = fs::path(home) / "bin";
  jdk->Jlink = PathText(bin / (std::string("jlink") + ProgramSuffix));
  jdk->Jdeps = PathText(bin / (std::string("jdeps") + ProgramSuffix));
  jdk->System = ReadReleaseValue(home, "OS_NAME");
  if (!fs::is_regular_file(jdk->Jlink, ignored)) {
    const bool otherSystem = fs::is_regular_file(bin / "jlink.exe", ignored) ||
                             fs::is_regular_file(bin / "jlink", ignored);
    *error =
        home + ": has no " + PathText(fs::path("bin") / ("jlink" + std::string(ProgramSuffix)));
    *error += otherSystem
                  ? ": it is a JDK for another system, whose jlink cannot run here; give a JDK "
                    "for this machine as jdk and this one's jmods folder as jmods"
                  : ": give the folder of a JDK (a runtime without jlink can be copied whole "
                    "with runtime instead)";
    return false;
  }
  if (!ParseJavaVersion(ReadReleaseValue(home, "JAVA_VERSION").c_str(), &jdk->Version)) {
    std::string output;
    if (RunProgram({jdk->Jlink, "--version"}, &output) != 0 ||
        !ParseJavaVersion(LastLine(output).c_str(), &jdk->Version)) {
      *error = jdk->Jlink + ": does not run: " + LastLine(output);
      return false;
    }
  }
  return true;
}

std::vector<std::string> JlinkArguments(const Jdk& jdk, const LinkRequest& request) {
  std::vector<std::string> arguments{jdk.Jlink};
  if (!request.ModulePath.empty()) {
    arguments.push_back("--module-path");
    arguments.push_back(request.ModulePath);
  }
  std::string modules;
  for (const std::string& module : request.Modules) {
    modules += (modules.empty() ? "" : ",") + module;
  }
  arguments.insert(arguments.end(), {"--add-modules", modules, "--strip-debug", "--no-header-files",
                                     "--no-man-pages"});
  const bool zip = jdk.Version.Count > 0 && jdk.Version.Parts[0] >= 21;
  arguments.push_back(zip ? "--compress=zip-6" : "--compress=2");
  if (request.StartupArchive && jdk.Version.Count > 0 && jdk.Version.Parts[0] >= 17) {
    arguments.push_back("--generate-cds-archive");
  }
  arguments.push_back("--output");
  arguments.push_back(request.Output);
  return arguments;
}

bool RunJlink(const Jdk& jdk, const LinkRequest& request, std::string* error) {
  std::string output;
  if (RunProgram(JlinkArguments(jdk, request), &output) != 0) {
    *error = "jlink failed: " + output;
    while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) error->pop_back();
    return false;
  }
  return true;
}

bool FindModuleDependencies(const Jdk& jdk, const std::vector<std::string>& archives,
                            std::vector<std::string>* modules, std::string* error) {
  modules->clear();
  std::vector<std::string> arguments{jdk.Jdeps, "--print-module-deps", "--ignore-missing-deps",
                                     "--multi-release", Feature(jdk.Version)};
  arguments.insert(arguments.end(), archives.begin(), archives.end());
  std::string output;
  const std::string line = RunProgram(arguments, &output) == 0 ? LastLine(output) : "";
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = std::min(line.find(',', at), line.size());
    modules->push_back(line.substr(at, end - at));
    at = end + 1;
  }
  if (modules->empty() || modules->front().find(' ') != std::string::npos) {
    // A stack ends with "... 7 more"; its first line says what went wrong.
    const std::size_t first = output.find_first_not_of("\r\n \t");
    const std::string said =
        first == std::string::npos
            ? std::string()
            : output.substr(first, output.find_first_of("\r\n", first) - first);
    *error =
        "jdeps cannot tell the modules of the application's archives (name them with "
        "modules = [...] in [bundle]): " +
        said;
    return false;
  }
  return true;
}

std::string AskForJmods(const Jdk& jdk, const std::string& system) {
  return "give the jmods folder of a " + system + " JDK " + Feature(jdk.Version) +
         " (the version of this jlink)";
}

bool CheckJmods(const Jdk& jdk, const std::string& jmods, const std::string& system,
                std::string* error) {
  std::error_code ignored;
  if (!fs::is_regular_file(fs::path(jmods) / "java.base.jmod", ignored)) {
    *error = jmods + ": holds no java.base.jmod: " + AskForJmods(jdk, system);
    return false;
  }
  // A jmods folder inside a JDK: its release file tells the version and the system.
  fs::path folder = fs::path(jmods).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();
  const std::string home = PathText(folder.parent_path());
  JavaVersion version;
  const std::string theirs = ReadReleaseValue(home, "OS_NAME");
  if (!theirs.empty() && theirs != system) {
    *error = jmods + ": the modules of a " + theirs + " JDK: " + AskForJmods(jdk, system);
    return false;
  }
  if (ParseJavaVersion(ReadReleaseValue(home, "JAVA_VERSION").c_str(), &version) &&
      version.Parts[0] != jdk.Version.Parts[0]) {
    *error = jmods + ": the modules of Java " + Feature(version) + ", but this jlink is Java " +
             Feature(jdk.Version) + ": " + AskForJmods(jdk, system) + ", or a JDK " +
             Feature(version) + " for this machine as jdk";
    return false;
  }
  return true;
}
