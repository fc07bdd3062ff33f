#include "tools/make/bundle_settings.h"

#include <filesystem>

#include "tools/make/config_file.h"

namespace {

struct Reader {
  std::string Path;
  std::string* Error;

  bool Fail(const toml::node& node, const std::string& key, const std::string& what) {
    *Error =
        Path + ":" + std::to_string(node.source().begin.line) + ": bundle." + key + ": " + what;
    return false;
  }

  bool ReadText(const toml::node& node, const std::string& key, std::string* text) {
    const auto* value = node.as_string();
    if (!value || value->get().empty()) return Fail(node, key, "must be a non-empty string");
    if (value->get().find('\0') != std::string::npos) {
      return Fail(node, key, "the text holds a NUL character");
    }
    *text = value->get();
    return true;
  }

  bool ReadFolder(const toml::node& node, const std::string& key, std::string* folder) {
    std::string text;
    if (!ReadText(node, key, &text)) return false;
    *folder = (std::filesystem::path(Path).parent_path() / text).string();
    return true;
  }

  bool ReadModules(const toml::node& node, const std::string& key,
                   std::vector<std::string>* modules) {
    const auto* array = node.as_array();
    if (!array) return Fail(node, key, "must be an array of module names");
    for (const toml::node& element : *array) {
      const auto* value = element.as_string();
      if (!value || !IsJavaClassName(value->get())) {
        return Fail(element, key, "must hold module names such as \"java.desktop\"");
      }
      modules->push_back(value->get());
    }
    return true;
  }
};

}  // namespace

bool ReadBundleSettings(const toml::table& table, const std::string& path, BundleSettings* bundle,
                        std::string* error) {
  Reader reader{path, error};
  bundle->Present = true;
  const toml::node* linkOnly = nullptr;
  std::string linkOnlyKey;
  for (auto&& [name, node] : table) {
    const std::string key(name.str());
    bool read = true;
    if (key == "dir") {
      read = reader.ReadFolder(node, key, &bundle->Dir);
    } else if (key == "name") {
      read = reader.ReadText(node, key, &bundle->Name);
      if (read && bundle->Name.find_first_of("/\\:") != std::string::npos) {
        return reader.Fail(node, key, "a file name, without a folder");
      }
    } else if (key == "input") {
      read = reader.ReadFolder(node, key, &bundle->Input);
    } else if (key == "runtime") {
      read = reader.ReadFolder(node, key, &bundle->Runtime);
      if (!table.contains("jdk")) bundle->Jdk.clear();  // an earlier file's
    } else if (key == "jdk") {
      read = reader.ReadFolder(node, key, &bundle->Jdk);
      if (!table.contains("runtime")) bundle->Runtime.clear();
    } else if (key == "jmods") {
      read = reader.ReadFolder(node, key, &bundle->Jmods);
      linkOnly = &node;
      linkOnlyKey = key;
    } else if (key == "modules") {
      bundle->ModulesGiven = true;
      bundle->Modules.clear();
      read = reader.ReadModules(node, key, &bundle->Modules);
      linkOnly = &node;
      linkOnlyKey = key;
    } else if (key == "extra-modules") {
      bundle->ExtraModules.clear();
      read = reader.ReadModules(node, key, &bundle->ExtraModules);
      linkOnly = &node;
      linkOnlyKey = key;
    } else if (key == "archive") {
      const auto* value = node.as_boolean();
      if (!value) return reader.Fail(node, key, "must be a boolean (true or false)");
      bundle->Archive = value->get();
    } else {
      return reader.Fail(node, key,
                         UnknownKeyText(key, {"dir", "name", "input", "runtime", "jdk", "jmods",
                                              "modules", "extra-modules", "archive"}));
    }
    if (!read) return false;
  }
  if (table.contains("runtime") && table.contains("jdk")) {
    return reader.Fail(*table.get("jdk"), "jdk",
                       "give runtime (a runtime image to copy) or jdk (a JDK to link one "
                       "with), not both");
  }
  if (linkOnly && table.contains("runtime")) {
    return reader.Fail(*linkOnly, linkOnlyKey,
                       "applies to a runtime linked from jdk, not to one copied from runtime");
  }
  return true;
}

std::vector<MakeConfigKey> BundleKeys() {
  return {{"bundle.dir", "file"},       {"bundle.name", "string"},
          {"bundle.input", "file"},     {"bundle.runtime", "file"},
          {"bundle.jdk", "file"},       {"bundle.jmods", "file"},
          {"bundle.modules", "array"},  {"bundle.extra-modules", "array"},
          {"bundle.archive", "boolean"}};
}
