#include "platform/user_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/environment.h"

namespace {

std::string Failure(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Makes the directory `path` with mode 0700 unless it exists. It is made only in a
// directory of the user's own: under sudo with HOME kept, say, a missing ~/.cache made
// by root would lock the user's other programs out of their own cache.
bool MakeDirectory(const std::string& path, std::string* reason) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) return true;
  const std::size_t slash = path.rfind('/');
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  if (stat(parent.c_str(), &status) != 0) {
    *reason = Failure("cannot read", parent);
    return false;
  }
  if (status.st_uid != geteuid()) {
    *reason = "cannot make " + path + ": " + parent + " belongs to another user";
    return false;
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *reason = Failure("cannot make", path);
    return false;
  }
  return true;
}

// Makes every missing directory of the absolute `path`.
bool MakeDirectories(const std::string& path, std::string* reason) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    if (!MakeDirectory(path.substr(0, end), reason)) return false;
    if (end == std::string::npos) return true;
  }
}

// The runtime maps the archive into the process: a directory that someone else could
// write to would let them choose the code that the application runs.
bool MakePrivate(const std::string& path, std::string* reason) {
  if (!MakeDirectory(path, reason)) return false;
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) {
    *reason = Failure("cannot read", path);
    return false;
  }
  if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
    *reason = path + " is not a directory of this user's own";
    return false;
  }
  if ((status.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) {
    *reason = Failure("cannot make private", path);
    return false;
  }
  return true;
}

}  // namespace

bool OpenUserCacheDirectory(const char* name, std::string* path, std::string* reason) {
  // Relative paths in the XDG variables are to be ignored.
  const char* cache = ReadEnvironmentVariable("XDG_CACHE_HOME");
  std::string base;
  if (cache != nullptr && cache[0] == '/') {
    base = cache;
  } else {
    const char* home = ReadEnvironmentVariable("HOME");
    if (home == nullptr || home[0] != '/') {
      *reason = "neither XDG_CACHE_HOME nor HOME names an absolute directory";
      return false;
    }
    base = std::string(home) + "/.cache";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string corvane = base + "/corvane";
  *path = corvane + "/" + name;
  return MakeDirectories(base, reason) && MakePrivate(corvane, reason) &&
         MakePrivate(*path, reason);
}
