#include "hosting/one_file/archive_folders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "hosting/java_home.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_start.h"

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
  std::vector<std::pair<long long, std::string>> packs;
  for (const Name& name : ListNames(directory)) {
    const std::string path = JoinPath(directory, name.Text.c_str());
    if (!name.IsDirectory || path == current) continue;
    FileStamp stamp;
    if (IsDigestName(name.Text) && ReadFileStamp(path.c_str(), &stamp)) {
      packs.emplace_back(stamp.ModifiedNanoseconds, path);
    } else if (name.Text.size() > 21 && IsDigestName(name.Text.substr(0, 16)) &&
               name.Text[16] == '.' && name.Text.compare(name.Text.size() - 4, 4, ".tmp") == 0 &&
               !ProcessIsRunning(std::strtoul(name.Text.c_str() + 17, nullptr, 10))) {
      RemoveWholeFolder(path);
    }
  }
  std::sort(packs.rbegin(), packs.rend());
  // The current folder counts among those kept.
  for (std::size_t i = keep == 0 ? 0 : keep - 1; i < packs.size(); ++i)
    RemoveWholeFolder(packs[i].second);
}
