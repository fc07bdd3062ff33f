#include "tools/make/installer_settings.h"

#include <cctype>
#include <cstdlib>

#include "tools/make/config_path.h"
#include "tools/make/package/name_uuid.h"

namespace {

// The keys, their TOML types and the packages they belong to.
const InstallerKey Keys[] = {
    {"file", "file", ""},
    {"name", "string", ""},
    {"version", "string", ""},
    {"manufacturer", "string", ""},
    {"maintainer", "string", ""},
    {"service", "boolean", ""},
    {"description", "string", ""},
    {"homepage", "string", ""},
    {"section", "string", "linux"},
    {"icon", "file", "linux"},
    {"upgrade-code", "string", "windows"},
    {"scope", "string", "windows"},
    {"folder", "string", "windows"},
    {"start-menu", "boolean", "windows"},
    {"desktop", "boolean", "windows"},
    {"wxs", "boolean", "windows"},
    {"wixl", "file", "windows"},
};

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
    *file = ConfigRelativePath(Path, text);
    return true;
  }

  bool ReadFlag(const toml::node& node, const std::string& key, bool* flag) {
    const auto* value = node.as_boolean();
    if (!value) return Fail(node, key, "must be a boolean (true or false)");
    *flag = value->get();
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

bool IsWindowsName(const std::string& name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return !name.empty() && name.find_first_of("\\/:*?\"<>|") == std::string::npos &&
         name.back() != ' ' && name.back() != '.';
}

bool IsPackageVersion(const std::string& version) {
  if (version.empty() || !std::isdigit(static_cast<unsigned char>(version[0]))) return false;
  for (const char c : version) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '+' && c != '~') {
      return false;
    }
  }
  return true;
}

bool IsMsiVersion(const std::string& version) {
  const unsigned long limits[] = {255, 255, 65535};
  std::size_t at = 0;
  for (int part = 0; part < 3; ++part) {
    std::size_t end = at;
    while (end < version.size() && std::isdigit(static_cast<unsigned char>(version[end]))) ++end;
    if (end == at || end - at > 5 || std::strtoul(version.c_str() + at, nullptr, 10) > limits[part])
      return false;
    if (part < 2 && (end == version.size() || version[end] != '.')) return false;
    at = end + 1;
    if (part == 2 && end != version.size()) return false;
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
    } else if (key == "wixl") {
      read = reader.ReadFile(node, key, &installer->Wixl);
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
                               "\" is not a version: a .deb's is a digit, then digits, letters, "
                               "'.', '+' or '~' (\"1.4\", \"2.0~rc1\"), an MSI's three numbers "
                               "(\"1.4.0\")");
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
    } else if (key == "upgrade-code") {
      read = reader.ReadLine(node, key, &installer->UpgradeCode);
      if (read && !IsUuidText(installer->UpgradeCode)) {
        return reader.Fail(node, key,
                           "\"" + installer->UpgradeCode +
                               "\" is not a GUID such as \"6F1C2E5A-0B7D-4C3E-9A21-5D8E7F604B13\"");
      }
    } else if (key == "scope") {
      read = reader.ReadLine(node, key, &installer->Scope);
      if (read && installer->Scope != "machine" && installer->Scope != "user") {
        return reader.Fail(node, key,
                           "\"machine\" (for every user, in Program Files) or \"user\" (for the "
                           "user who installs, in the user's own folder)");
      }
    } else if (key == "folder") {
      read = reader.ReadLine(node, key, &installer->Folder);
      if (read && !IsWindowsName(installer->Folder)) {
        return reader.Fail(node, key,
                           "\"" + installer->Folder +
                               "\" is not a folder's name: none of \\ / : * ? \" < > |, and no "
                               "blank or dot at its end");
      }
    } else if (key == "service") {
      read = reader.ReadFlag(node, key, &installer->Service);
    } else if (key == "start-menu") {
      read = reader.ReadFlag(node, key, &installer->StartMenu);
    } else if (key == "desktop") {
      read = reader.ReadFlag(node, key, &installer->Desktop);
    } else if (key == "wxs") {
      read = reader.ReadFlag(node, key, &installer->Wxs);
    } else {
      return reader.Fail(node, key, "unknown key");
    }
    if (!read) return false;
    installer->Where[key] = path + ":" + std::to_string(node.source().begin.line);
  }
  return true;
}

bool CheckInstallerKeys(const InstallerSettings& installer, const std::string& target,
                        std::string* error) {
  const bool forLinux = target == "linux";
  for (const InstallerKey& key : Keys) {
    const auto given = installer.Where.find(key.Name);
    if (given == installer.Where.end() || key.Targets[0] == '\0' ||
        (std::string(key.Targets) == "linux") == forLinux) {
      continue;
    }
    *error = given->second + ": installer." + key.Name + ": " +
             (forLinux ? "a key of the MSI of the Windows targets; the .deb of --target linux "
                         "has no use for it: leave it out, or set it in a configuration file "
                         "of the Windows targets"
                       : "a key of the .deb of the linux target; the MSI of --target " + target +
                             " has no use for it: leave it out, or set it in a configuration "
                             "file of the linux target");
    return false;
  }
  return true;
}

std::vector<InstallerKey> InstallerKeys() {
  std::vector<InstallerKey> keys(std::begin(Keys), std::end(Keys));
  return keys;
}
