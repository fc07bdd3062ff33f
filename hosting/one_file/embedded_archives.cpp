#include "hosting/one_file/embedded_archives.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "hosting/java_home.h"
#include "hosting/one_file/archive_folders.h"
#include "hosting/one_file/archive_pack.h"
#include "platform/directories.h"
#include "platform/embedded_archives.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"
#include "platform/user_cache.h"

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
  std::string kept;
  for (char c : name.substr(0, 96)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("._-$", c) != nullptr;
    kept += c == '/' ? '.' : plain ? c : '_';
  }
  return kept + "-archives";
}

std::string CountText(const Pack& pack) {
  const std::size_t count = pack.Index.Archives.size();
  return std::to_string(count) + (count == 1 ? " archive" : " archives");
}

// Writes every archive of `pack` below `folder`; false with the path that failed.
bool WriteArchives(const Pack& pack, const std::string& folder, std::string* failed) {
  for (const PackedArchive& archive : pack.Index.Archives) {
    const std::string path = PathBelow(folder, archive.Name);
    if (!MakeFoldersOf(folder, archive.Name) ||
        !WriteFileWhole(path, pack.Data + archive.Offset, archive.Size)) {
      *failed = path;
      return false;
    }
  }
  return true;
}

// Compares every archive below `folder` with the pack's bytes and writes again what
// differs. Of two starts at once, the second may find the file that the first has
// just put in place, or be unable to replace one that the first one's runtime holds
// open: what counts is that the file is right.
bool CheckArchives(const Pack& pack, const std::string& folder, std::string* reason) {
  for (const PackedArchive& archive : pack.Index.Archives) {
    const std::string path = PathBelow(folder, archive.Name);
    const unsigned char* bytes = pack.Data + archive.Offset;
    if (FileHoldsBytes(path, bytes, archive.Size)) continue;
    Trace("one file: %s is not the archive this launcher carries; written again", path.c_str());
    if (!(MakeFoldersOf(folder, archive.Name) && WriteFileWhole(path, bytes, archive.Size)) &&
        !FileHoldsBytes(path, bytes, archive.Size)) {
      *reason = "cannot write " + path;
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
  if (ReadPathAttributes(folder->c_str()) == 1) {
    if (!CheckArchives(pack, *folder, reason)) return false;
    Trace("one file: %s of this launcher checked in %s", CountText(pack).c_str(), folder->c_str());
    return true;
  }
  const std::string made = *folder + "." + std::to_string(CurrentProcessId()) + ".tmp";
  RemoveWholeFolder(made);  // of an earlier process with this id
  std::string failed;
  if (!MakeDirectory(made.c_str())) {
    *reason = "cannot make " + made;
    return false;
  }
  if (!WriteArchives(pack, made, &failed)) {
    RemoveWholeFolder(made);
    *reason = "cannot write " + failed;
    return false;
  }
  if (!MoveDirectory(made.c_str(), folder->c_str())) {
    // Another start was quicker.
    RemoveWholeFolder(made);
    return CheckArchives(pack, *folder, reason);
  }
  Trace("one file: %s of this launcher written to %s", CountText(pack).c_str(), folder->c_str());
  RemoveOlderPackFolders(directory, *folder, KeptBuilds);
  return true;
}

bool PlaceInTemporaryFolder(const Pack& pack) {
  std::string folder;
  if (!MakeTemporaryDirectory(TemporaryPrefix, &folder)) {
    ReportLastSystemError();
    ReportError(LaunchConfig.MsgFileAccess.c_str(), "a temporary folder for the archives");
    return false;
  }
  const unsigned char none = 0;
  std::string failed;
  std::string reason;
  if (HoldsClassPathSeparator(folder, &reason)) {
    RemoveWholeFolder(folder);
    ReportError(LaunchConfig.MsgFileAccess.c_str(), reason.c_str());
    return false;
  }
  if (!WriteFileWhole(JoinPath(folder, TemporaryMark), &none, 0) ||
      !WriteArchives(pack, folder, &failed)) {
    ReportLastSystemError();
    ReportError(LaunchConfig.MsgFileAccess.c_str(),
                failed.empty() ? folder.c_str() : failed.c_str());
    RemoveWholeFolder(folder);
    return false;
  }
  std::string executable;
  const bool remover = ReadExecutablePath(&executable) &&
                       StartDetachedProcess({executable, EmbeddedArchivesSwitch, "remove", folder,
                                             std::to_string(CurrentProcessId())});
  Trace("one file: %s of this launcher written to the temporary folder %s, %s",
        CountText(pack).c_str(), folder.c_str(),
        remover ? "removed once this run has ended" : "which stays: its remover did not start");
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
  Trace("one file: this launcher carries %s in %lu bytes", CountText(pack).c_str(),
        static_cast<unsigned long>(pack.Size));
  std::string directory;
  std::string folder;
  std::string reason;
  if (OpenUserCacheDirectory(ApplicationFolderName().c_str(), &directory, &reason) &&
      PlaceInCache(pack, directory, &folder, &reason)) {
    EmbeddedArchiveFolder = folder;
    return true;
  }
  Trace("one file: the cache does not take the archives: %s", reason.c_str());
  return PlaceInTemporaryFolder(pack);
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
