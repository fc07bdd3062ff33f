#include "tools/make/package/find_program.h"

#include <filesystem>
#include <system_error>

#include "platform/child_process.h"
#include "platform/environment.h"
#include "platform/path_text.h"
#include "platform/runtime_layout.h"

std::string FindProgramOnPath(const std::string& name) {
  const char* path = ReadEnvironmentVariable("PATH");
  const std::string list = path == nullptr ? "" : path;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find(PathListSeparator, at), list.size());
    const std::string folder = list.substr(at, end - at);
    at = end + 1;
    if (folder.empty()) continue;
    const std::filesystem::path program = std::filesystem::path(folder) / (name + ProgramSuffix);
    std::error_code ignored;
    if (std::filesystem::is_regular_file(program, ignored)) return PathText(program);
  }
  return std::string();
}
