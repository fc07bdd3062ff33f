#include "archive/request.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/system_error.h"
#include "runtime/java_home.h"

const char StartupArchiveSwitch[] = "--corvane-startup-archive";

namespace {

// One "name=value" line each, the options one line apiece, and the key, which spans
// lines, last.
constexpr char KeyLine[] = "key=";

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  text->clear();
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    text->append(buffer, n);
  const bool read = std::ferror(file) == 0;
  std::fclose(file);
  return read;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

std::string LastErrorText() {
  const unsigned long code = LastSystemError();
  char text[256];
  if (!DescribeSystemError(code, text, sizeof text)) return "error " + std::to_string(code);
  std::string line = text;
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

std::string ArchiveFileIn(const std::string& folder) { return JoinPath(folder, "archive.jsa"); }

std::string KeyFileIn(const std::string& folder) { return JoinPath(folder, "key"); }

bool WriteArchiveRequest(const std::string& path, const ArchiveRequest& request) {
  std::string text = "library=" + request.Library + "\nfeature=" + std::to_string(request.Feature) +
                     "\nlinking=" + (request.AheadOfTimeLinking ? "1" : "0") +
                     "\ndirectory=" + request.Directory +
                     "\nparent=" + std::to_string(request.Parent) + "\nlist=" + request.List +
                     "\nfolder=" + request.Folder + "\n";
  for (const std::string& option : request.Options) {
    if (option.find('\n') != std::string::npos) return false;
    text += "option=" + option + "\n";
  }
  return WriteWholeFile(path, text + KeyLine + request.Key);
}

bool ReadArchiveRequest(const std::string& path, ArchiveRequest* request) {
  std::string text;
  if (!ReadWholeFile(path, &text)) return false;
  std::size_t begin = 0;
  while (begin < text.size()) {
    if (text.compare(begin, sizeof KeyLine - 1, KeyLine) == 0) {
      request->Key = text.substr(begin + sizeof KeyLine - 1);
      break;
    }
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) return false;
    const std::size_t equals = text.find('=', begin);
    if (equals == std::string::npos || equals > end) return false;
    const std::string name = text.substr(begin, equals - begin);
    const std::string value = text.substr(equals + 1, end - equals - 1);
    begin = end + 1;
    if (name == "library") request->Library = value;
    if (name == "feature") request->Feature = std::atoi(value.c_str());
    if (name == "linking") request->AheadOfTimeLinking = value == "1";
    if (name == "directory") request->Directory = value;
    if (name == "parent") request->Parent = std::strtoul(value.c_str(), nullptr, 10);
    if (name == "list") request->List = value;
    if (name == "folder") request->Folder = value;
    if (name == "option") request->Options.push_back(value);
  }
  return !request->Library.empty() && request->Feature > 0 && !request->Directory.empty() &&
         !request->List.empty() && !request->Folder.empty() && !request->Key.empty();
}

std::vector<std::string> MakerCommandLine(const std::string& executable,
                                          const std::string& request) {
  return {executable, StartupArchiveSwitch, "make", request};
}
