#include "tools/make/bundle/one_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "one_file/archive_pack.h"
#include "platform/embedded_archives.h"
#include "platform/path_text.h"
#include "platform/posix/archive_trailer.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/bundle/tree_copy.h"

namespace fs = std::filesystem;

namespace {

// What the resource directory and the alignment of a Windows image add around a pack.
constexpr std::uint64_t ImageMargin = 64 << 10;

constexpr char AppPrefix[] = "app/";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// A bundle's "app/..." entry as the name in the pack; an entry kept as written stays.
std::string PackName(const std::string& entry) {
  return entry.compare(0, sizeof AppPrefix - 1, AppPrefix) == 0 ? entry.substr(sizeof AppPrefix - 1)
                                                                : entry;
}

struct FileToPack {
  std::string Source;
  std::string Name;
  std::uint64_t Size;
};

// Every file that the layout's copies hold, each with its name in the pack.
std::vector<FileToPack> FilesOf(const AppLayout& layout) {
  std::vector<FileToPack> files;
  for (const AppCopy& copy : layout.Copies) {
    std::error_code failure;
    if (!fs::is_directory(copy.Source, failure)) {
      files.push_back({copy.Source, copy.Target, 0});
      continue;
    }
    for (const std::string& below : ListTree(copy.Source)) {
      const fs::path source = fs::path(copy.Source) / below;
      if (fs::is_regular_file(source, failure)) {
        files.push_back({PathText(source), copy.Target + "/" + below, 0});
      }
    }
  }
  return files;
}

bool ReadArchive(const FileToPack& file, std::string* bytes, std::string* error) {
  std::ifstream in(fs::path(file.Source), std::ios::binary);
  bytes->resize(file.Size);
  if (!in || !in.read(&(*bytes)[0], static_cast<std::streamsize>(file.Size)) ||
      in.peek() != std::ifstream::traits_type::eof()) {
    return Fail(error, file.Source + ": cannot be read whole (it changed while it was read?)");
  }
  return true;
}

}  // namespace

bool WantsOneFile(const MakeOptions& options, const MakeConfig& config) {
  return options.OneFile || config.OneFile;
}

bool PackArchives(const MakeOptions& options, std::size_t launcherSize, MakeConfig* config,
                  OneFileContents* contents, std::string* error, std::string* notice) {
  *contents = OneFileContents();
  std::string input = options.InputDir;
  if (input.empty()) input = PathText(fs::path(options.ConfigPath).parent_path());
  if (input.empty()) input = ".";
  const std::string classPath = EntryText(*config, "ClassPath");
  const std::string mainJar = EntryText(*config, "MainJar");
  if (classPath.empty() && mainJar.empty()) {
    return Fail(error, options.ConfigPath +
                           ": OneFile: the launcher carries the archives that MainJar and "
                           "ClassPath name, and they name none");
  }
  AppLayout layout;
  std::string remarks;
  if (!PlanAppLayout(classPath, mainJar, input, &layout, error, &remarks)) return false;
  // The layout's words are a bundle's.
  for (std::size_t at = 0; (at = remarks.find("into the bundle", at)) != std::string::npos;) {
    remarks.replace(at, 15, "into the one file");
  }
  for (std::size_t at = 0; (at = remarks.find("out of the bundle", at)) != std::string::npos;) {
    remarks.replace(at, 17, "out of the one file");
  }
  if (!remarks.empty()) AddNotice(notice, remarks);

  std::vector<FileToPack> files = FilesOf(layout);
  std::vector<std::string> names;
  std::vector<std::uint64_t> sizes;
  const bool windows = options.Target != "linux";
  for (FileToPack& file : files) {
    std::error_code failure;
    file.Size = fs::file_size(fs::path(file.Source), failure);
    if (failure) return Fail(error, file.Source + ": cannot be read: " + failure.message());
    if (!IsPackableName(file.Name)) {
      return Fail(error, file.Source + ": cannot be carried as " + file.Name);
    }
    for (const char c : file.Name) {
      if (windows && static_cast<unsigned char>(c) >= 0x80) {
        return Fail(error, file.Source + ": a Windows launcher carries archives whose paths are " +
                               "ASCII, as the runtime finds them whatever the system's code " +
                               "page; " + file.Name + " is not: rename it");
      }
    }
    names.push_back(file.Name);
    sizes.push_back(file.Size);
    const std::uint64_t total = ArchivePackSize(names, sizes) + launcherSize + ImageMargin;
    if (total > MaxArchivePackSize) {
      return Fail(error, file.Source + ": " + FormatSize(file.Size) +
                             "; with it the one-file launcher would pass 2 GiB, which the " +
                             "format allows at most (its offsets are 32-bit, and Windows " +
                             "maps no larger program)");
    }
  }

  // The launcher names the archives where it writes them, in the target's own form.
  const auto named = [windows](std::string name) {
    if (windows) std::replace(name.begin(), name.end(), '/', '\\');
    return name;
  };
  std::string joined;
  for (const std::string& entry : layout.ClassPath) {
    const std::string name = PackName(entry);
    bool carried = name == entry;  // kept as written
    for (const FileToPack& file : files) {
      carried =
          carried || file.Name == name || file.Name.compare(0, name.size() + 1, name + "/") == 0;
    }
    if (!carried) {
      AddNotice(notice, "ClassPath: " + name + " is an empty folder; the one file leaves it out");
      continue;
    }
    joined += (joined.empty() ? "" : ";") + (name == entry ? entry : named(name));
  }
  const std::string main = PackName(layout.MainJar);
  if (!StoreEntryText(config, "ClassPath", joined, "the one file's", error) ||
      !StoreEntryText(config, "MainJar", main == layout.MainJar ? main : named(main),
                      "the one file's", error)) {
    return false;
  }

  std::vector<ArchiveToPack> archives;
  for (const FileToPack& file : files) {
    archives.push_back({file.Name, std::string()});
    if (!ReadArchive(file, &archives.back().Bytes, error)) return false;
    contents->Archives.emplace_back(file.Name, file.Size);
  }
  contents->Pack = EncodeArchivePack(archives);
  return true;
}

void SetArchivePack(ResourceTree* tree, const std::string& pack) {
  constexpr std::uint32_t RcData = 10;
  const ResourceKey name(std::u16string(
      ArchivePackResourceName, ArchivePackResourceName + sizeof ArchivePackResourceName - 1));
  auto type = tree->find(ResourceKey(RcData));
  if (type != tree->end()) {
    type->second.erase(name);
    if (type->second.empty()) tree->erase(type);
  }
  if (!pack.empty()) (*tree)[ResourceKey(RcData)][name][0] = ResourceData{pack, 0};
}

std::string LinuxProgramWithPack(const std::string& program, const std::string& pack) {
  std::size_t end = program.size();
  std::size_t start = 0;
  if (end >= ArchiveTrailerSize &&
      ReadArchiveTrailer(program.data() + end - ArchiveTrailerSize, end, &start)) {
    end = start;
  }
  std::string out = program.substr(0, end);
  if (!pack.empty()) out += pack + EncodeArchiveTrailer(pack.size());
  return out;
}

std::string OneFileSummary(const std::string& path, const OneFileContents& contents) {
  std::error_code failure;
  const std::uintmax_t size = fs::file_size(fs::path(path), failure);
  std::string summary = "one file " + PathText(fs::absolute(fs::path(path), failure)) + ": " +
                        FormatSize(failure ? 0 : size) + ", with " +
                        std::to_string(contents.Archives.size()) +
                        (contents.Archives.size() == 1 ? " archive" : " archives") + "\n";
  for (const auto& [name, bytes] : contents.Archives) {
    summary += "  " + name + " (" + FormatSize(bytes) + ")\n";
  }
  return summary;
}
