#include "archive/folders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "archive/request.h"
#include "archive/rules.h"
#include "core/trace.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"
#include "runtime/java_home.h"

const char RefusedSuffix[] = ".refused";

namespace {

// A file of a process that has ended and is older than this was left behind: making
// an archive takes seconds.
constexpr long long LeftoverSeconds = 10 * 60;

// Written into an archive's folder by each run that maps it: its time is the key's last use.
constexpr char UsedFileName[] = "used";

std::string MakingMark(const std::string& folder) { return folder + ".making"; }

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t length = std::strlen(suffix);
  return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool IsOld(const std::string& path) {
  FileStamp stamp;
  const long long now = static_cast<long long>(std::time(nullptr));
  return ReadFileStamp(path.c_str(), &stamp) &&
         now - stamp.ModifiedNanoseconds / 1000000000 > LeftoverSeconds;
}

std::vector<std::string> ListNames(const std::string& directory) {
  std::vector<std::string> names;
  DirectoryListing* listing = nullptr;
  DirectoryEntry entry;
  for (ListingStep step = OpenDirectoryListing(directory.c_str(), &listing, &entry);
       step == ListingStep::Entry; step = NextDirectoryEntry(listing, &entry)) {
    if (std::strcmp(entry.Name, ".") != 0 && std::strcmp(entry.Name, "..") != 0) {
      names.push_back(entry.Name);
    }
  }
  CloseDirectoryListing(listing);
  return names;
}

// The process id in a name "<folder>.<pid>.<kind>"; 0 when there is none.
unsigned long ProcessIdInName(const std::string& name, std::string* folder) {
  const std::size_t kind = name.rfind('.');
  if (kind == std::string::npos || kind == 0) return 0;
  const std::size_t id = name.rfind('.', kind - 1);
  if (id == std::string::npos) return 0;
  *folder = name.substr(0, id);
  return std::strtoul(name.c_str() + id + 1, nullptr, 10);
}

}  // namespace

bool ArchiveBeingMade(const std::string& folder) {
  std::string text;
  if (!ReadWholeFile(MakingMark(folder), &text)) return false;
  const unsigned long id = std::strtoul(text.c_str(), nullptr, 10);
  // Empty for the moment between the mark's creation and its writing.
  return id != 0 ? ProcessIsRunning(id) : !IsOld(MakingMark(folder));
}

bool TakeArchiveMaking(const std::string& folder) {
  const std::string mark = MakingMark(folder);
  if (!CreateNewFile(mark.c_str())) {
    if (ArchiveBeingMade(folder)) return false;
    RemoveFile(mark.c_str());
    if (!CreateNewFile(mark.c_str())) return false;
  }
  WriteWholeFile(mark, std::to_string(CurrentProcessId()));
  return true;
}

void EndArchiveMaking(const std::string& folder) { RemoveFile(MakingMark(folder).c_str()); }

void RetireArchiveFolder(const std::string& folder) {
  RemoveFile(KeyFileIn(folder).c_str());
  RemoveArchiveFolder(folder);
}

void RemoveArchiveFolder(const std::string& path) {
  for (const std::string& name : ListNames(path)) RemoveFile(JoinPath(path, name.c_str()).c_str());
  RemoveEmptyDirectory(path.c_str());
}

bool PutArchiveFolderInPlace(const std::string& made, const std::string& folder,
                             const std::string& key) {
  if (MoveDirectory(made.c_str(), folder.c_str())) return true;
  std::string stored;
  if (ReadWholeFile(KeyFileIn(folder), &stored) && StoredKeyMatches(stored, key)) {
    RemoveArchiveFolder(made);
    return true;
  }
  RetireArchiveFolder(folder);
  return MoveDirectory(made.c_str(), folder.c_str());
}

void MarkArchiveUsed(const std::string& folder) {
  WriteWholeFile(JoinPath(folder, UsedFileName), std::to_string(CurrentProcessId()));
}

void KeepRecentKeys(const std::string& directory, std::size_t count) {
  struct KeyEntry {
    std::string Name;
    long long LastUse = 0;
  };
  std::vector<KeyEntry> keys;
  for (const std::string& name : ListNames(directory)) {
    const std::string key = EndsWith(name, RefusedSuffix)
                                ? name.substr(0, name.size() - std::strlen(RefusedSuffix))
                                : name;
    // A key's folder is "java<feature>-<digest>"; the files of runs and makings have dots.
    if (key.compare(0, 4, "java") != 0 || key.find('.') != std::string::npos) continue;
    const std::string path = JoinPath(directory, key.c_str());
    long long lastUse = 0;
    for (const std::string& stamped :
         {path + RefusedSuffix, JoinPath(path, UsedFileName), KeyFileIn(path)}) {
      FileStamp stamp;
      if (ReadFileStamp(stamped.c_str(), &stamp) && stamp.ModifiedNanoseconds > lastUse) {
        lastUse = stamp.ModifiedNanoseconds;
      }
    }
    bool known = false;
    for (KeyEntry& entry : keys) known = known || entry.Name == key;
    if (!known) keys.push_back({key, lastUse});
  }
  std::sort(keys.begin(), keys.end(),
            [](const KeyEntry& a, const KeyEntry& b) { return a.LastUse > b.LastUse; });
  for (std::size_t i = count; i < keys.size(); ++i) {
    const std::string path = JoinPath(directory, keys[i].Name.c_str());
    if (ArchiveBeingMade(path)) continue;
    RetireArchiveFolder(path);
    RemoveFile((path + RefusedSuffix).c_str());
  }
}

void TidyArchiveDirectory(const std::string& directory) {
  for (const std::string& name : ListNames(directory)) {
    // Earlier versions remembered every failure of the making, also passing ones.
    if (EndsWith(name, ".failed")) RemoveFile(JoinPath(directory, name.c_str()).c_str());
    std::string folder;
    const unsigned long id = ProcessIdInName(name, &folder);
    if (id == 0 || ProcessIsRunning(id)) continue;
    const std::string path = JoinPath(directory, name.c_str());
    if (EndsWith(name, ".run")) {
      // It crashed, and the archive it mapped may be why.
      RetireArchiveFolder(JoinPath(directory, folder.c_str()));
      RemoveFile(path.c_str());
      Trace("startup archive: retired %s, as a run that used it ended without a normal end",
            folder.c_str());
    } else if (EndsWith(name, ".tmp") && IsOld(path)) {
      RemoveArchiveFolder(path);
    } else if ((EndsWith(name, ".classes") || EndsWith(name, ".request")) && IsOld(path)) {
      RemoveFile(path.c_str());
    }
  }
}
