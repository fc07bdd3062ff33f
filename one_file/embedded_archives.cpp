#include "one_file/embedded_archives.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/digest.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "one_file/archive_folders.h"
#include "one_file/archive_pack.h"
#include "platform/directories.h"
#include "platform/embedded_archives.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"
#include "platform/user_cache.h"
#include "runtime/java_home.h"

std::string EmbeddedArchiveFolder;
bool EmbeddedArchivesTemporary = false;
const char EmbeddedArchivesSwitch[] = "--corvane-one-file";

namespace {

// The folders of the newest builds stay: an older build that still runs, or runs
// again, keeps its archives.
constexpr std::size_t KeptBuilds = 3;

constexpr char TemporaryPrefix[] = "corvane-archives-";
// A file in the temporary folder: the remover removes no folder without it.
constexpr char TemporaryMark[] = ".corvane-archives";

struct Pack {
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
  ArchivePackIndex Index;
};

// The name of the application's folder in the cache: the main class, or else the
// main archive's name without its folder and ".jar", in letters a file name takes
// everywhere.
std::string ApplicationFolderName() {
  std::string name = LaunchConfig.MainClass;
  if (name.empty()) {
    name = LaunchConfig.MainJar.substr(LaunchConfig.MainJar.find_last_of("/\\") + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jar") == 0)
      name.resize(name.size() - 4);
  }
  name.resize(std::min<std::size_t>(name.size(), 96));
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("._-$", c) != nullptr;
    c = c == '/' ? '.' : plain ? c : '_';
  }
  return name + "-archives";
}

void TraceArchives(const Pack& pack, const char* done, const std::string& folder) {
  const std::size_t count = pack.Index.Archives.size();
  Trace("one file: %lu archive%s of this launcher %s %s", static_cast<unsigned long>(count),
        count == 1 ? "" : "s", done, folder.c_str());
}

// Makes every archive below `folder` hold the pack's bytes: compares what is there
// and writes again what differs (`fresh`: a new folder, where nothing is). Of two
// starts at once, the second may find the file that the first has just put in place,
// or be unable to replace one that the first one's runtime holds open: what counts is
// that the file is right. False with the path that cannot be written in `*failed`.
bool PutArchives(const Pack& pack, const std::string& folder, bool fresh, std::string* failed) {
  for (const PackedArchive& archive : pack.Index.Archives) {
    const std::string path = PathBelow(folder, archive.Name);
    const unsigned char* bytes = pack.Data + archive.Offset;
    if (!fresh && FileHoldsBytes(path, bytes, archive.Size)) continue;
    if (!fresh) {
      Trace("one file: %s is not the archive this launcher carries; written again", path.c_str());
    }
    if (!(MakeFoldersOf(folder, archive.Name) && WriteFileWhole(path, bytes, archive.Size)) &&
        (fresh || !FileHoldsBytes(path, bytes, archive.Size))) {
      *failed = path;
      return false;
    }
  }
  return true;
}

// The runtime splits the class path at this separator, wherever it stands.
bool HoldsClassPathSeparator(const std::string& folder, std::string* reason) {
  if (folder.find(ClassPathSeparator) == std::string::npos) return false;
  *reason = folder + " holds a '" + ClassPathSeparator + "', which divides a class path";
  return true;
}

bool PlaceInCache(const Pack& pack, const std::string& directory, std::string* folder,
                  std::string* reason) {
  *folder = JoinPath(directory, DigestText(pack.Index.Digest).c_str());
  if (HoldsClassPathSeparator(*folder, reason)) return false;
  const bool fresh = ReadPathAttributes(folder->c_str()) != 1;
  std::string made = *folder;
  if (fresh) {
    made += "." + std::to_string(CurrentProcessId()) + ".tmp";
    RemoveWholeFolder(made);  // of an earlier process with this id
    if (!MakeDirectory(made.c_str())) {
      *reason = "cannot make " + made;
      return false;
    }
  }
  if (!PutArchives(pack, made, fresh, reason)) {
    if (fresh) RemoveWholeFolder(made);
    *reason = "cannot write " + *reason;
    return false;
  }
  if (!fresh) {
    TraceArchives(pack, "checked in", *folder);
    return true;
  }
  if (MoveDirectory(made.c_str(), folder->c_str())) {
    TraceArchives(pack, "written to", *folder);
    RemoveOlderPackFolders(directory, *folder, KeptBuilds);
    return true;
  }
  // Another start was quicker: its folder is checked as any other.
  RemoveWholeFolder(made);
  *reason = "cannot make " + *folder;
  return ReadPathAttributes(folder->c_str()) == 1 && PlaceInCache(pack, directory, folder, reason);
}

bool PlaceInTemporaryFolder(const Pack& pack) {
  std::string folder;
  if (!MakeTemporaryDirectory(TemporaryPrefix, &folder)) {
    ReportLastSystemError();
    ReportError(LaunchConfig.MsgFileAccess.c_str(), "a temporary folder for the archives");
    return false;
  }
  std::string reason;
  const unsigned char none = 0;
  const bool divided = HoldsClassPathSeparator(folder, &reason);
  if (divided || !WriteFileWhole(JoinPath(folder, TemporaryMark), &none, 0) ||
      !PutArchives(pack, folder, true, &reason)) {
    if (!divided) ReportLastSystemError();
    ReportError(LaunchConfig.MsgFileAccess.c_str(),
                reason.empty() ? folder.c_str() : reason.c_str());
    RemoveWholeFolder(folder);
    return false;
  }
  std::string executable;
  const bool remover = ReadExecutablePath(&executable) &&
                       StartDetachedProcess({executable, EmbeddedArchivesSwitch, "remove", folder,
                                             std::to_string(CurrentProcessId())});
  TraceArchives(pack, "written to the temporary folder", folder);
  if (!remover) Trace("one file: %s stays: its remover did not start", folder.c_str());
  EmbeddedArchiveFolder = folder;
  EmbeddedArchivesTemporary = true;
  return true;
}

}  // namespace

bool PrepareEmbeddedArchives() {
  Pack pack;
  if (!FindEmbeddedArchivePack(&pack.Data, &pack.Size)) return true;
  if (!DecodeArchivePack(pack.Data, pack.Size, &pack.Index)) {
    std::string executable;
    if (!ReadExecutablePath(&executable)) executable = "?";
    Trace("one file: the archive pack of %s is damaged", executable.c_str());
    ReportError(LaunchConfig.MsgFileAccess.c_str(), executable.c_str());
    return false;
  }
  const std::size_t count = pack.Index.Archives.size();
  Trace("one file: this launcher carries %lu archive%s in %lu bytes",
        static_cast<unsigned long>(count), count == 1 ? "" : "s",
        static_cast<unsigned long>(pack.Size));
  std::string directory;
  std::string folder;
  std::string reason;
  if (OpenUserCacheDirectory(ApplicationFolderName().c_str(), &directory, &reason) &&
      PlaceInCache(pack, directory, &folder, &reason)) {
    EmbeddedArchiveFolder = folder;
  } else {
    Trace("one file: the cache does not take the archives: %s", reason.c_str());
    return PlaceInTemporaryFolder(pack);
  }
  return true;
}

bool IsEmbeddedArchivesRun(int count, char** vector) {
  return count == 5 && std::strcmp(vector[1], EmbeddedArchivesSwitch) == 0 &&
         std::strcmp(vector[2], "remove") == 0;
}

int RunEmbeddedArchivesRole(int, char** vector) {
  const std::string folder = vector[3];
  const unsigned long parent = std::strtoul(vector[4], nullptr, 10);
  const std::size_t slash = folder.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
  if (name.compare(0, sizeof TemporaryPrefix - 1, TemporaryPrefix) != 0 ||
      !CanOpenForReading(JoinPath(folder, TemporaryMark).c_str())) {
    return 2;
  }
  while (ProcessIsRunning(parent)) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  RemoveWholeFolder(folder);
  return ReadPathAttributes(folder.c_str()) < 0 ? 0 : 1;
}
