#include "platform/embedded_archives.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/environment.h"
#include "platform/posix/archive_trailer.h"
#include "platform/posix/string_blob.h"

namespace {

bool ReadAt(int fd, char* buffer, std::size_t size, std::size_t at) {
  return pread(fd, buffer, size, static_cast<off_t>(at)) == static_cast<ssize_t>(size);
}

// The offsets of the pack in the file open as `fd` of `size` bytes.
bool LocatePack(int fd, std::size_t size, std::size_t* start, std::size_t* end) {
  char footer[StringBlobFooterSize];
  std::size_t tableLength = 0;
  *end = size;
  if (size >= StringBlobFooterSize && ReadAt(fd, footer, sizeof footer, size - sizeof footer) &&
      ReadStringBlobFooter(footer, &tableLength) && tableLength <= size - sizeof footer) {
    *end = size - sizeof footer - tableLength;
  }
  char trailer[ArchiveTrailerSize];
  if (*end < sizeof trailer || !ReadAt(fd, trailer, sizeof trailer, *end - sizeof trailer) ||
      !ReadArchiveTrailer(trailer, *end, start)) {
    return false;
  }
  *end -= sizeof trailer;
  return true;
}

}  // namespace

bool FindEmbeddedArchivePack(const unsigned char** data, std::size_t* size) {
  const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  std::size_t start = 0;
  std::size_t end = 0;
  bool found = fstat(fd, &status) == 0 &&
               LocatePack(fd, static_cast<std::size_t>(status.st_size), &start, &end) &&
               end > start;
  if (found) {
    // A mapping starts on a page; the pack need not.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t base = start - start % page;
    void* mapped = mmap(nullptr, end - base, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(base));
    found = mapped != MAP_FAILED;
    if (found) {
      *data = static_cast<const unsigned char*>(mapped) + (start - base);
      *size = end - start;
    }
  }
  close(fd);
  return found;
}

bool MakeTemporaryDirectory(const char* prefix, std::string* path) {
  const char* base = ReadEnvironmentVariable("TMPDIR");
  std::string pattern = base != nullptr && base[0] == '/' ? base : "/tmp";
  while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
  pattern += std::string("/") + prefix + "XXXXXX";
  // mkdtemp makes it with mode 0700.
  if (mkdtemp(&pattern[0]) == nullptr) return false;
  *path = pattern;
  return true;
}
