// corvane-strings: reads and replaces the string table behind a Linux launcher.
//
//   corvane-strings EXE --from RESOURCE.rc [ID=TEXT]...   table from a resource script
//   corvane-strings EXE ID=TEXT... [-ID]...                change entries in place
//   corvane-strings EXE --dump                             print "ID<TAB>TEXT" lines
//
// The new executable is written beside the old one and renamed over it, so a failed
// run leaves the old program untouched.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/posix/string_blob.h"
#include "tools/rc_string_table.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "corvane-strings: %s\n", message.c_str());
  return 1;
}

bool ParseId(const std::string& text, unsigned* id) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *id = static_cast<unsigned>(std::stoul(text));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: corvane-strings EXE [--dump | --from RC] [ID=TEXT]... [-ID]...\n");
    return 2;
  }
  const std::string exe = argv[1];
  std::ifstream in(exe, std::ios::binary);
  if (!in) return Fail(exe + ": cannot be read");
  const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();

  std::size_t blobStart = 0;
  StringEntries entries;
  if (!FindStringBlob(image.data(), image.size(), &blobStart) ||
      !DecodeStringBlob(image.data(), image.size(), blobStart, &entries)) {
    return Fail(exe + ": the string table behind the program is damaged");
  }

  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    unsigned id = 0;
    if (arg == "--dump") {
      for (const auto& [key, text] : entries) std::printf("%u\t%s\n", key, text.c_str());
      return 0;
    }
    if (arg == "--from" && i + 1 < argc) {
      std::string error;
      entries.clear();
      if (!ReadRcStringTable(argv[++i], &entries, &error)) return Fail(error);
    } else if (arg.size() > 1 && arg[0] == '-' && ParseId(arg.substr(1), &id)) {
      entries.erase(id);
    } else if (const auto equals = arg.find('=');
               equals != std::string::npos && ParseId(arg.substr(0, equals), &id)) {
      entries[id] = arg.substr(equals + 1);
    } else {
      return Fail("not understood: " + arg);
    }
  }

  struct stat info {};
  if (stat(exe.c_str(), &info) != 0) return Fail(exe + ": cannot be examined");
  const std::string temporary = exe + ".corvane-new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(blobStart));
    const std::string blob = EncodeStringBlob(entries);
    out.write(blob.data(), static_cast<std::streamsize>(blob.size()));
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return Fail(temporary + ": cannot be written");
    }
  }
  if (chmod(temporary.c_str(), info.st_mode & 07777) != 0 ||
      std::rename(temporary.c_str(), exe.c_str()) != 0) {
    std::remove(temporary.c_str());
    return Fail(exe + ": cannot be replaced");
  }
  return 0;
}
