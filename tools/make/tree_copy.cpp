#include "tools/make/tree_copy.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace {

void ListInto(const fs::path& root, const std::string& prefix, std::vector<std::string>* names) {
  std::error_code failure;
  std::vector<std::string> here;
  for (fs::directory_iterator it(root, failure), end; !failure && it != end;
       it.increment(failure)) {
    here.push_back(PathText(it->path().filename()));
  }
  std::sort(here.begin(), here.end());
  for (const std::string& name : here) {
    names->push_back(prefix + name);
    if (fs::is_directory(root / name, failure)) ListInto(root / name, prefix + name + "/", names);
  }
}

}  // namespace

bool CopyTree(const std::string& from, const std::string& to, std::string* error) {
  std::error_code failure;
  const fs::file_status status = fs::status(from, failure);
  // A link that leads nowhere here (a JDK's link to a file of another package) is
  // left out, as it would lead nowhere on the machine the copy goes to.
  std::error_code ignored;
  if (failure && fs::is_symlink(fs::symlink_status(from, ignored))) return true;
  if (failure) {
    *error = from + ": cannot be read: " + failure.message();
    return false;
  }
  if (fs::is_directory(status)) {
    if (!fs::create_directory(to, failure) || failure) {
      *error = to + ": cannot be made: " + (failure ? failure.message() : "it exists");
      return false;
    }
    for (fs::directory_iterator it(from, failure), end; !failure && it != end;
         it.increment(failure)) {
      const std::string name = PathText(it->path().filename());
      if (!CopyTree(PathText(fs::path(from) / name), PathText(fs::path(to) / name), error)) {
        return false;
      }
    }
    if (!failure) fs::permissions(to, status.permissions(), failure);
    if (failure) {
      *error = from + ": cannot be read: " + failure.message();
      return false;
    }
    return true;
  }
  if (!fs::copy_file(from, to, failure)) {
    *error = from + ": cannot be copied to " + to + ": " + failure.message();
    return false;
  }
  return true;
}

std::vector<std::string> ListTree(const std::string& root) {
  std::vector<std::string> names;
  ListInto(root, "", &names);
  return names;
}

std::uintmax_t TreeSize(const std::string& path) {
  std::error_code failure;
  if (!fs::is_directory(path, failure)) {
    const std::uintmax_t size = fs::file_size(path, failure);
    return failure ? 0 : size;
  }
  std::uintmax_t total = 0;
  for (const std::string& name : ListTree(path)) {
    const fs::path file = fs::path(path) / name;
    if (!fs::is_directory(file, failure)) {
      const std::uintmax_t size = fs::file_size(file, failure);
      if (!failure) total += size;
    }
  }
  return total;
}

std::string FormatSize(std::uintmax_t bytes) {
  char text[32];
  if (bytes < 1000 * 1000) {
    std::snprintf(text, sizeof text, "%u KB", static_cast<unsigned>((bytes + 999) / 1000));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  }
  return text;
}
