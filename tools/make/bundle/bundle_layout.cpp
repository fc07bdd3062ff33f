#include "tools/make/bundle/bundle_layout.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/path_text.h"
#include "tools/make/bundle/jar_manifest.h"

namespace fs = std::filesystem;

namespace {

fs::path Real(const fs::path& path) {
  std::error_code failure;
  const fs::path real = fs::weakly_canonical(path, failure);
  return failure ? path.lexically_normal() : real;
}

// `path` normalised, without a trailing separator.
fs::path Normal(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  return normal.has_filename() || !normal.has_parent_path() ? normal : normal.parent_path();
}

// Whether `inner` is `outer` or lies below it; `rest` receives the part below.
bool Below(const fs::path& inner, const fs::path& outer, fs::path* rest) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (i == inner.end() || *i != *o) return false;
  }
  rest->clear();
  for (; i != inner.end(); ++i) *rest /= *i;
  return true;
}

std::string Slashed(const fs::path& path) {
  std::string text = PathText(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

// "lib/a.jar" as "lib-2/a.jar", "a.jar" as "a-2.jar".
fs::path Renamed(const fs::path& target, int number) {
  const fs::path first = *target.begin();
  fs::path renamed = std::next(target.begin()) == target.end()
                         ? fs::path(PathText(first.stem()) + "-" + std::to_string(number) +
                                    PathText(first.extension()))
                         : fs::path(PathText(first) + "-" + std::to_string(number));
  for (auto part = std::next(target.begin()); part != target.end(); ++part) renamed /= *part;
  return renamed;
}

struct Planner {
  AppLayout* Layout;
  std::string* Error;
  std::string* Notice;
  std::vector<fs::path> Sources;                   // the real path of each copy's source
  std::deque<std::pair<fs::path, fs::path>> Jars;  // whose manifests are still to be read

  // 1: `real` is copied to `target` already (or inside a copy); 0: `target` is free;
  // -1: `target` is another file's.
  int Fits(const fs::path& target, const fs::path& real) const {
    int verdict = 0;
    for (std::size_t i = 0; i < Layout->Copies.size(); ++i) {
      const fs::path taken(Layout->Copies[i].Target);
      fs::path rest;
      if (Below(target, taken, &rest)) {
        if ((rest.empty() ? Sources[i] : Real(Sources[i] / rest)) != real) return -1;
        verdict = 1;
      } else if (Below(taken, target, &rest) && Real(real / rest) != Sources[i]) {
        return -1;
      }
    }
    return verdict;
  }

  // Places `source` at `target` below app/, or under another name when `rename` allows
  // and the name is taken. Empty when it is taken and may not be renamed.
  fs::path Place(const fs::path& source, const fs::path& target, bool rename) {
    const fs::path real = Real(source);
    for (std::size_t i = 0; rename && i < Sources.size(); ++i) {
      fs::path rest;  // copied already, under another name
      if (Below(real, Sources[i], &rest)) return Normal(fs::path(Layout->Copies[i].Target) / rest);
    }
    for (int number = 1;; ++number) {
      const fs::path candidate = number == 1 ? target : Renamed(target, number);
      const int verdict = Fits(candidate, real);
      if (verdict < 0 && rename) continue;
      if (verdict < 0) return fs::path();
      if (verdict == 0) {
        Layout->Copies.push_back({PathText(source), Slashed(candidate)});
        Sources.push_back(real);
      }
      std::error_code ignored;
      if (fs::is_regular_file(source, ignored)) Jars.emplace_back(source, candidate);
      return candidate;
    }
  }

  // Copies beside each jar what its manifest's Class-Path names, and so on for those.
  bool FollowManifests() {
    std::set<fs::path> read;
    while (!Jars.empty()) {
      const auto [jar, target] = Jars.front();
      Jars.pop_front();
      if (!read.insert(Real(jar)).second) continue;
      std::string manifest;
      std::string why;
      if (!ReadJarManifest(PathText(jar), &manifest, &why)) {
        AddNotice(Notice, PathText(jar) + ": its manifest cannot be read (" + why +
                              "); the archives its Class-Path may name are not copied");
        continue;
      }
      for (const std::string& entry :
           RelativeClassPath(ManifestAttribute(manifest, "Class-Path"))) {
        const fs::path source = jar.parent_path() / entry;
        const fs::path placed = Normal(target.parent_path() / entry);
        std::error_code ignored;
        if (!fs::exists(source, ignored)) {
          AddNotice(Notice, PathText(jar) + ": the Class-Path of its manifest names " + entry +
                                ", which is not there; it is left out of the bundle");
          continue;
        }
        if (placed.empty() || *placed.begin() == ".." || Place(source, placed, false).empty()) {
          *Error = PathText(jar) + ": the Class-Path of its manifest names " + entry +
                   ", which would lie at app/" + Slashed(placed) +
                   " in the bundle, beside the jar as the machine looks for it, and " +
                   (placed.empty() || *placed.begin() == ".." ? "that is outside app/"
                                                              : "another file takes that place") +
                   ": give input a folder that holds both";
          return false;
        }
      }
    }
    return true;
  }
};

}  // namespace

bool IsPortableEntry(const std::string& entry) {
  return entry.find('%') == std::string::npos && entry[0] != '/' && entry[0] != '\\' &&
         !(entry.size() > 1 && entry[1] == ':');
}

void AddNotice(std::string* notice, const std::string& what) {
  constexpr char Separator[] = "\ncorvane-make: note: ";
  // The same remark of two steps (each signature without a timestamp) is said once.
  const std::string lines = Separator + *notice + Separator;
  if (lines.find(Separator + what + Separator) != std::string::npos) return;
  *notice += (notice->empty() ? "" : Separator) + what;
}

bool PlanAppLayout(const std::string& classPath, const std::string& mainJar,
                   const std::string& input, AppLayout* layout, std::string* error,
                   std::string* notice) {
  *layout = AppLayout();
  struct Entry {
    std::string Text;
    bool IsMainJar;
    fs::path Source;
    fs::path Target;  // below app/
    bool Outside;     // of the input folder
    bool Portable;
  };
  std::vector<Entry> entries;
  for (std::size_t at = 0; at <= classPath.size();) {
    const std::size_t end = std::min(classPath.find(';', at), classPath.size());
    if (end > at) entries.push_back({classPath.substr(at, end - at), false, {}, {}, false, true});
    at = end + 1;
  }
  if (!mainJar.empty()) entries.push_back({mainJar, true, {}, {}, false, true});

  for (Entry& entry : entries) {
    entry.Portable = IsPortableEntry(entry.Text);
    if (!entry.Portable) {
      AddNotice(notice, std::string(entry.IsMainJar ? "MainJar" : "ClassPath") + ": \"" +
                            entry.Text + "\" is kept as written and not copied into the bundle");
      continue;
    }
    std::string relative = entry.Text;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    entry.Source = fs::path(input) / relative;
    std::error_code ignored;
    if (!fs::exists(entry.Source, ignored)) {
      *error = PathText(entry.Source) + ": " + (entry.IsMainJar ? "MainJar" : "ClassPath") +
               " names " + entry.Text + ", which is not there (the archives are read from the " +
               "folder of the configuration file, or from input in [bundle], or --input)";
      return false;
    }
    for (const fs::path& part : Normal(relative)) {
      if (entry.Target.empty() && (part == ".." || part == ".")) {
        entry.Outside = true;
        continue;
      }
      entry.Target /= part;
    }
    if (entry.Target.empty()) entry.Target = Real(entry.Source).filename();
  }

  // What lies in the input folder keeps its place; what lies outside takes the names left.
  Planner planner{layout, error, notice, {}, {}};
  for (const bool outside : {false, true}) {
    for (Entry& entry : entries) {
      if (entry.Portable && entry.Outside == outside) {
        entry.Target = planner.Place(entry.Source, entry.Target, true);
      }
    }
  }
  for (const Entry& entry : entries) {
    const std::string named = entry.Portable ? "app/" + Slashed(entry.Target) : entry.Text;
    if (entry.IsMainJar) {
      layout->MainJar = named;
    } else {
      layout->ClassPath.push_back(named);
    }
  }
  if (!planner.FollowManifests()) return false;

  // A copy inside another's target is made by that one.
  std::vector<AppCopy> copies;
  for (const AppCopy& copy : layout->Copies) {
    bool held = false;
    fs::path rest;
    for (const AppCopy& other : layout->Copies) {
      held = held || (&other != &copy &&
                      Below(fs::path(copy.Target), fs::path(other.Target), &rest) && !rest.empty());
    }
    if (!held) copies.push_back(copy);
  }
  layout->Copies = copies;
  return true;
}
