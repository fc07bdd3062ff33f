#include "hosting/class_path.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/current_directory.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "one_file/embedded_archives.h"
#include "platform/directories.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "runtime/runtime_location.h"

std::vector<std::string> AssembledClassPath;

namespace {

bool HasArchiveSuffix(const char* name) {
  const std::size_t length = std::strlen(name);
  if (length < 4) return false;
  const char* suffix = name + length - 4;
  char lowered[5] = {};
  for (int i = 0; i < 4; ++i) {
    lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(suffix[i])));
  }
  return std::strcmp(lowered, ".jar") == 0 || std::strcmp(lowered, ".zip") == 0;
}

bool IsDotName(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool SameDirectory(const DirectoryIdentity& a, const DirectoryIdentity& b) {
  return a.Volume == b.Volume && a.Index == b.Index;
}

// `ancestors` holds the identities of the directories being listed above this one.
bool ScanBelow(TextBuffer& list, char* directory, std::vector<DirectoryIdentity>& ancestors) {
  std::size_t length = std::strlen(directory);
  if (length > 0 && (directory[length - 1] == '\\' || directory[length - 1] == '/')) {
    directory[--length] = '\0';
  }

  // A link back to a directory whose names are being listed would lead down the same
  // tree again and again, so that directory is not entered a second time.
  DirectoryIdentity identity;
  const bool identified = ReadDirectoryIdentity(directory, &identity);
  if (identified) {
    for (const DirectoryIdentity& ancestor : ancestors) {
      if (SameDirectory(ancestor, identity)) return true;
    }
    ancestors.push_back(identity);
  }

  DirectoryListing* listing = nullptr;
  DirectoryEntry entry;
  std::string path;
  ListingStep step = OpenDirectoryListing(directory, &listing, &entry);
  while (step == ListingStep::Entry) {
    if (entry.IsDirectory) {
      if (!IsDotName(entry.Name)) {
        path.assign(directory, length);
        path += PathSeparator;
        path += entry.Name;
        ScanBelow(list, &path[0], ancestors);
      }
    } else if (HasArchiveSuffix(entry.Name)) {
      AppendText(list, directory, length);
      AppendText(list, PathSeparator);
      AppendText(list, entry.Name);
      AppendText(list, ClassPathSeparator);
    }
    step = NextDirectoryEntry(listing, &entry);
  }
  const bool ended = step == ListingStep::End;
  if (!ended) ReportLastSystemError(directory);
  CloseDirectoryListing(listing);
  if (identified) ancestors.pop_back();
  return ended;
}

}  // namespace

int ClassifyClassPathEntry(const char* written, const char* entry) {
  if (std::strchr(written, '%') != nullptr) return 0;
  const int kind = ReadPathAttributes(entry);
  if (kind < 0) {
    ReportLastSystemError(entry);
    ReportError(LaunchConfig.MsgFileAccess.c_str(), entry);
  }
  return kind;
}

bool ScanArchiveDirectory(TextBuffer& list, char* directory) {
  std::vector<DirectoryIdentity> ancestors;
  return ScanBelow(list, directory, ancestors);
}

std::string ExpandVariables(const char* text) {
  if (text == nullptr) return std::string();
  // Most option texts name no variable: one copy instead of a rebuild.
  if (std::strchr(text, '%') == nullptr) return std::string(text);
  TextBuffer result;
  std::string name;
  bool insideName = false;
  const char* segment = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '%') continue;
    if (!insideName) {
      AppendText(result, segment, static_cast<std::size_t>(p - segment));
    } else {
      name.assign(segment, p);
      if (name == "JAVA_HOME") {
        AppendText(result, RegistryJavaHome);
      } else if (!name.empty()) {
        AppendText(result, ReadEnvironmentVariable(name.c_str()));
      }
    }
    segment = p + 1;
    insideName = !insideName;
  }
  AppendText(result, segment);
  if (!result.Text) return std::string();
  return std::string(result.Text.get(), result.Length);
}

bool AssembleClassPath() {
  // The application may start in another directory than this one, where the entries
  // lie beside the executable: they go to the machine as full paths. Without the
  // directory they stay as written.
  std::string directory;
  if (!ReadCurrentDirectory(&directory)) directory.clear();
  // A one-file launcher's archives lie in the folder they were written to.
  if (!EmbeddedArchiveFolder.empty()) directory = EmbeddedArchiveFolder;
  TextBuffer entries;
  std::vector<std::string> listed;
  // The value of a reference is known only once it is expanded, and a '%' in the
  // directory's own name is no reference: expansion comes first.
  auto add = [&](const char* written) {
    std::string entry = AbsoluteAgainst(directory, ExpandVariables(written));
    const int kind = ClassifyClassPathEntry(written, entry.c_str());
    if (kind < 0) return false;
    AppendText(entries, entry.c_str());
    AppendText(entries, ClassPathSeparator);
    if (kind == 1) ScanArchiveDirectory(entries, &entry[0]);
    return true;
  };
  // The main archive goes first, as `java -jar` puts it, and whole: its path is one
  // file's, whatever characters it holds. The machine follows the Class-Path of its
  // manifest by itself.
  std::string& mainJar = LaunchConfig.MainJar;
  if (!mainJar.empty()) {
    const std::string written = mainJar;
    mainJar = AbsoluteAgainst(directory, ExpandVariables(written.c_str()));
    if (!add(written.c_str())) return false;
  }
  if (!LaunchConfig.ClassPath.empty()) {
    char* classPath = LaunchConfig.ClassPath.data();
    char* cursor = nullptr;
    // Only the first entry may end at a line break.
    const std::string firstEnds = std::string(ConfiguredClassPathSeparators) + "\r\n";
    for (char* token = NextToken(classPath, firstEnds.c_str(), &cursor); token != nullptr;
         token = NextToken(classPath, ConfiguredClassPathSeparators, &cursor)) {
      if (!add(token)) return false;
    }
  }

  std::string options = ExpandVariables(LaunchConfig.JvmOptions.c_str());
  AssembledClassPath.clear();
  if (entries.Length > 0) {
    entries.Text[--entries.Length] = '\0';
    Trace("class path %s", entries.Text.get());
    options += " \"-Djava.class.path=";
    options.append(entries.Text.get(), entries.Length);
    options += '"';
    const char* entry = entries.Text.get();
    for (const char* end; (end = std::strchr(entry, ClassPathSeparator)) != nullptr;
         entry = end + 1) {
      AssembledClassPath.emplace_back(entry, end);
    }
    AssembledClassPath.emplace_back(entry);
  }
  LaunchConfig.JvmOptions = options;
  return true;
}
