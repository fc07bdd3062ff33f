#include "tools/make/installer_settings.h"

#include <cctype>
#include <filesystem>

namespace {

struct Reader {
  std::string Path;
  std::string* Error;

  bool Fail(const toml::node& node, const std::string& key, const std::string& what) {
    *Error =
        Path + ":" + std::to_string(node.source().begin.line) + ": installer." + key + ": " + what;
    return false;
  }

  // One line of text: it goes into fields of one line each.
  bool ReadLine(const toml::node& node, const std::string& key, std::string* text) {
    const auto* value = node.as_string();
    if (!value || value->get().empty()) return Fail(node, key, "must be a non-empty string");
    for (const char c : value->get()) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
        return Fail(node, key, "must be one line without control characters");
      }
    }
    *text = value->get();
    return true;
  }

  bool ReadFile(const toml::node& node, const std::string& key, std::string* file) {
    std::string text;
    if (!ReadLine(node, key, &text)) return false;
    *file = (std::filesystem::path(Path).parent_path() / text).string();
    return true;
  }
};

bool IsSectionName(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!std::islower(static_cast<unsigned char>(c)) &&
        !std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != '/') {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsPackageVersion(const std::string& version) {
  if (version.empty() || !std::isdigit(static_cast<unsigned char>(version[0]))) return false;
  for (const char c : version) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '+' && c != '~') {
      return false;
    }
  }
  return true;
}

bool ReadInstallerSettings(const toml::table& table, const std::string& path,
                           InstallerSettings* installer, std::string* error) {
  Reader reader{path, error};
  installer->Present = true;
  for (auto&& [name, node] : table) {
    const std::string key(name.str());
    bool read = true;
    if (key == "file") {
      read = reader.ReadFile(node, key, &installer->File);
    } else if (key == "icon") {
      read = reader.ReadFile(node, key, &installer->Icon);
    } else if (key == "name") {
      read = reader.ReadLine(node, key, &installer->Name);
      if (read && installer->Name.find_first_of("/\\") != std::string::npos) {
        return reader.Fail(node, key, "a name, without a folder");
      }
    } else if (key == "version") {
      read = reader.ReadLine(node, key, &installer->Version);
      if (read && !IsPackageVersion(installer->Version)) {
        return reader.Fail(node, key,
                           "\"" + installer->Version +
                               "\" is not a version such as \"1.4\" or \"2.0.1\" (a digit "
                               "first, then digits, letters, '.', '+' or '~')");
      }
    } else if (key == "manufacturer") {
      read = reader.ReadLine(node, key, &installer->Manufacturer);
    } else if (key == "maintainer") {
      read = reader.ReadLine(node, key, &installer->Maintainer);
    } else if (key == "description") {
      read = reader.ReadLine(node, key, &installer->Description);
    } else if (key == "homepage") {
      read = reader.ReadLine(node, key, &installer->Homepage);
    } else if (key == "section") {
      read = reader.ReadLine(node, key, &installer->Section);
      if (read && !IsSectionName(installer->Section)) {
        return reader.Fail(node, key, "a section such as \"misc\" or \"contrib/net\"");
      }
    } else if (key == "service") {
      const auto* value = node.as_boolean();
      if (!value) return reader.Fail(node, key, "must be a boolean (true or false)");
      installer->Service = value->get();
    } else {
      return reader.Fail(node, key, "unknown key");
    }
    if (!read) return false;
  }
  return true;
}
