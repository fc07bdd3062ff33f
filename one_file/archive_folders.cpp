#include "one_file/archive_folders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"
#include "runtime/java_home.h"

namespace {

struct Name {
  std::string Text;
  bool IsDirectory;
};

std::vector<Name> ListNames(const std::string& directory) {
  std::vector<Name> names;
  DirectoryListing* listing = nullptr;
  DirectoryEntry entry;
  for (ListingStep step = OpenDirectoryListing(directory.c_str(), &listing, &entry);
       step == ListingStep::Entry; step = NextDirectoryEntry(listing, &entry)) {
    if (std::strcmp(entry.Name, ".") != 0 && std::strcmp(entry.Name, "..") != 0) {
      names.push_back({entry.Name, entry.IsDirectory});
    }
  }
  CloseDirectoryListing(listing);
  return names;
}

bool IsDigestName(const std::string& name) {
  return name.size() == 16 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

bool WriteFileWhole(const std::string& path, const unsigned char* data, std::size_t size) {
  const std::string temporary = path + "." + std::to_string(CurrentProcessId()) + ".tmp";
  std::FILE* file = OpenFile(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) == 0 && written && MoveFileOver(temporary.c_str(), path.c_str())) {
    return true;
  }
  RemoveFile(temporary.c_str());
  return false;
}

bool FileHoldsBytes(const std::string& path, const unsigned char* data, std::size_t size) {
  FileStamp stamp;
  if (!ReadFileStamp(path.c_str(), &stamp) || stamp.Size != size) return false;
  std::FILE* file = OpenFile(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::vector<char> buffer(1 << 16);
  std::size_t at = 0;
  bool same = true;
  for (std::size_t n; same && (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;
       at += n) {
    same = n <= size - at && std::memcmp(buffer.data(), data + at, n) == 0;
  }
  same = same && at == size && std::ferror(file) == 0;
  std::fclose(file);
  return same;
}

std::string PathBelow(const std::string& folder, const std::string& name) {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '/', PathSeparator);
  return JoinPath(folder, relative.c_str());
}

bool MakeFoldersOf(const std::string& folder, const std::string& name) {
  for (std::size_t end = name.find('/'); end != std::string::npos; end = name.find('/', end + 1)) {
    const std::string path = PathBelow(folder, name.substr(0, end));
    if (!MakeDirectory(path.c_str()) && ReadPathAttributes(path.c_str()) != 1) return false;
  }
  return true;
}

void RemoveWholeFolder(const std::string& path) {
  // An empty directory, a junction or a link to a directory goes by the first call,
  // a link to a file or a file by the second; only a directory with names in it is
  // listed.
  if (RemoveEmptyDirectory(path.c_str()) || RemoveFile(path.c_str())) return;
  for (const Name& name : ListNames(path)) RemoveWholeFolder(JoinPath(path, name.Text.c_str()));
  RemoveEmptyDirectory(path.c_str());
}

void RemoveOlderPackFolders(const std::string& directory, const std::string& current,
                            std::size_t keep) {
  const std::vector<Name> names = ListNames(directory);
  // The time of each folder of a pack, -1 for every other name.
  std::vector<long long> times(names.size(), -1);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i].Text;
    const std::string path = JoinPath(directory, name.c_str());
    FileStamp stamp;
    if (!names[i].IsDirectory || path == current) continue;
    if (IsDigestName(name) && ReadFileStamp(path.c_str(), &stamp)) {
      times[i] = stamp.ModifiedNanoseconds;
    } else if (name.size() > 21 && IsDigestName(name.substr(0, 16)) && name[16] == '.' &&
               name.compare(name.size() - 4, 4, ".tmp") == 0 &&
               !ProcessIsRunning(std::strtoul(name.c_str() + 17, nullptr, 10))) {
      RemoveWholeFolder(path);
    }
  }
  // A folder goes when the current one and the newer ones fill what is kept.
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::size_t newer = 1;
    for (std::size_t j = 0; j < names.size(); ++j) {
      newer += times[j] > times[i] || (times[j] == times[i] && names[j].Text > names[i].Text);
    }
    if (times[i] >= 0 && newer >= keep)
      RemoveWholeFolder(JoinPath(directory, names[i].Text.c_str()));
  }
}
