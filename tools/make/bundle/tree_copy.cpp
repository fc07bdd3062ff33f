#include "tools/make/bundle/tree_copy.h"

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

bool Copy(const fs::path& from, const fs::path& to, const std::vector<fs::path>& leaveOut,
          std::vector<fs::path>* inside, std::string* error) {
  std::error_code failure;
  const fs::file_status status = fs::status(from, failure);
  // A link that leads nowhere here (a JDK's link to a file of another package) is
  // left out, as it would lead nowhere on the machine the copy goes to.
  std::error_code ignored;
  if (failure && fs::is_symlink(fs::symlink_status(from, ignored))) return true;
  if (failure) {
    *error = PathText(from) + ": cannot be read: " + failure.message();
    return false;
  }
  if (fs::is_directory(status)) {
    const fs::path real = fs::canonical(from, failure);
    if (failure) {
      *error = PathText(from) + ": cannot be read: " + failure.message();
      return false;
    }
    if (std::find(leaveOut.begin(), leaveOut.end(), real) != leaveOut.end()) return true;
    if (std::find(inside->begin(), inside->end(), real) != inside->end()) {
      *error = PathText(from) + ": a link to " + PathText(real) +
               ", a folder it lies in: copying it would never end; remove the link";
      return false;
    }
    if (!fs::create_directory(to, failure) || failure) {
      *error = PathText(to) + ": cannot be made: " + (failure ? failure.message() : "it exists");
      return false;
    }
    inside->push_back(real);
    for (fs::directory_iterator it(from, failure), end; !failure && it != end;
         it.increment(failure)) {
      const fs::path name = it->path().filename();
      if (std::find(leaveOut.begin(), leaveOut.end(), real / name) != leaveOut.end()) continue;
      if (!Copy(from / name, to / name, leaveOut, inside, error)) return false;
    }
    inside->pop_back();
    if (!failure) fs::permissions(to, status.permissions(), failure);
    if (failure) {
      *error = PathText(from) + ": cannot be read: " + failure.message();
      return false;
    }
    return true;
  }
  if (!fs::copy_file(from, to, failure)) {
    *error = PathText(from) + ": cannot be copied to " + PathText(to) + ": " + failure.message();
    return false;
  }
  return true;
}

}  // namespace

bool CopyTree(const std::string& from, const std::string& to, std::string* error,
              const std::vector<std::string>& leaveOut) {
  std::vector<fs::path> real;
  for (const std::string& path : leaveOut) {
    std::error_code failure;
    const fs::path resolved = fs::weakly_canonical(path, failure);
    if (!failure) real.push_back(resolved);
  }
  std::vector<fs::path> inside;
  return Copy(from, to, real, &inside, error);
}

bool RemoveTree(const std::string& path, std::string* error) {
  std::error_code failure;
  fs::remove_all(path, failure);
  if (!failure) return true;
  // Folders without write permission keep what they hold; make everything below
  // writable (links are left alone) and try again.
  const auto writable = [](const fs::path& entry) {
    std::error_code ignored;
    const fs::file_status status = fs::symlink_status(entry, ignored);
    if (fs::is_symlink(status) || ignored) return;
    const fs::perms add =
        fs::is_directory(status)
            ? fs::perms::owner_write | fs::perms::owner_exec | fs::perms::owner_read
            : fs::perms::owner_write;
    fs::permissions(entry, add, fs::perm_options::add, ignored);
  };
  writable(path);
  for (fs::recursive_directory_iterator it(path, failure), end; !failure && it != end;
       it.increment(failure)) {
    writable(it->path());
  }
  failure.clear();
  fs::remove_all(path, failure);
  if (failure) {
    *error = path + ": cannot be removed: " + failure.message();
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
