#include "tools/make/sign_settings.h"

#include <cctype>
#include <filesystem>

const SignKey SignKeys[] = {{"sign.certificate", "file"}, {"sign.password-env", "string"},
                            {"sign.timestamp", "string"}, {"sign.description", "string"},
                            {"sign.url", "string"},       {"sign.osslsigncode", "file"}};
const std::size_t SignKeyCount = sizeof SignKeys / sizeof SignKeys[0];

namespace {

struct Reader {
  std::string Path;
  std::string* Error;

  bool Fail(const toml::node& node, const std::string& key, const std::string& what) {
    *Error = Path + ":" + std::to_string(node.source().begin.line) + ": sign." + key + ": " + what;
    return false;
  }

  bool ReadText(const toml::node& node, const std::string& key, std::string* text,
                const char* demand = "must be a string") {
    const auto* value = node.as_string();
    if (!value) return Fail(node, key, demand);
    if (value->get().empty()) return Fail(node, key, "must not be empty");
    if (value->get().find('\0') != std::string::npos) {
      return Fail(node, key, "the text holds a NUL character");
    }
    *text = value->get();
    return true;
  }

  bool ReadFile(const toml::node& node, const std::string& key, std::string* file) {
    std::string text;
    if (!ReadText(node, key, &text, "must be a file name")) return false;
    *file = (std::filesystem::path(Path).parent_path() / text).string();
    return true;
  }

  bool ReadUrl(const toml::node& node, const std::string& key, std::string* url) {
    if (!ReadText(node, key, url)) return false;
    const bool web = url->compare(0, 7, "http://") == 0 || url->compare(0, 8, "https://") == 0;
    if (!web || url->find_first_of(" \t\r\n") != std::string::npos) {
      return Fail(node, key, "\"" + *url + "\" is not an http:// or https:// address");
    }
    return true;
  }
};

bool IsVariableName(const std::string& text) {
  if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

}  // namespace

bool ReadSignSettings(const toml::table& table, const std::string& path, SignSettings* sign,
                      std::string* error) {
  Reader reader{path, error};
  sign->Present = true;
  for (auto&& [name, node] : table) {
    const std::string key(name.str());
    bool read = true;
    if (key == "certificate") {
      read = reader.ReadFile(node, key, &sign->Certificate);
    } else if (key == "password-env") {
      const auto* value = node.as_string();
      if (!value) return reader.Fail(node, key, "must be a string");
      // The value is not repeated: a password written here by mistake stays out of logs.
      if (!IsVariableName(value->get())) {
        return reader.Fail(node, key,
                           "must be the name of an environment variable (letters, digits and _) "
                           "that holds the password, never the password itself");
      }
      sign->PasswordEnv = value->get();
    } else if (key == "timestamp") {
      // One address, or a list tried in order; an empty list signs without a timestamp.
      sign->Timestamps.clear();
      if (const auto* list = node.as_array()) {
        for (const toml::node& element : *list) {
          sign->Timestamps.emplace_back();
          if (!reader.ReadUrl(element, key, &sign->Timestamps.back())) return false;
        }
      } else if (node.is_string()) {
        sign->Timestamps.emplace_back();
        read = reader.ReadUrl(node, key, &sign->Timestamps.back());
      } else {
        return reader.Fail(node, key, "must be a string or an array of strings (addresses)");
      }
    } else if (key == "description") {
      read = reader.ReadText(node, key, &sign->Description);
    } else if (key == "url") {
      read = reader.ReadUrl(node, key, &sign->Url);
    } else if (key == "osslsigncode") {
      read = reader.ReadFile(node, key, &sign->Osslsigncode);
    } else {
      return reader.Fail(node, key, "unknown key");
    }
    if (!read) return false;
  }
  return true;
}
