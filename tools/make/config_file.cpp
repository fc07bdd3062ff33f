#include "tools/make/config_file.h"

#include <algorithm>
#include <cctype>

#include "core/config_fields.h"
#include "hosting/java_options.h"
#include "runtime/java_version.h"
#include "tools/make/config_path.h"
#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/string_table.h"
#include "tools/make/toml.h"
#include "tools/scramble.h"

namespace {

const char* const VersionStringKeys[] = {"CompanyName", "FileDescription", "ProductName",
                                         "LegalCopyright", "OriginalFilename"};

// The keys outside the launch configuration's table, as ParseMakeConfigOver reads them.
const MakeConfigKey SpecialKeys[] = {{"Icon", "file"},
                                     {"Splash", "file"},
                                     {"ExecutionLevel", "string"},
                                     {"DpiAware", "boolean"},
                                     {"Utf8", "boolean"},
                                     {"Console", "boolean"},
                                     {"OneFile", "boolean"},
                                     {"version.FileVersion", "string"},
                                     {"version.ProductVersion", "string"}};

struct Context {
  std::string Path;
  std::string* Error;

  bool Fail(const toml::source_region& where, const std::string& key, const std::string& what) {
    *Error = Path + ":" + std::to_string(where.begin.line) + ": " + key + ": " + what;
    return false;
  }
};

bool IsIdentifierStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

bool IsHexNumber(const std::string& text) {
  std::size_t at = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) at = 2;
  const std::string digits = text.substr(at);
  return !digits.empty() && digits.size() <= 8 &&
         digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// "1.2.3.4": one to four numbers of 0 to 65535; the missing ones are 0.
bool ParseVersionNumbers(const std::string& text, unsigned numbers[4]) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) numbers[part] = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t end = text.find('.', at);
    const std::string digits = text.substr(at, end == std::string::npos ? end : end - at);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    const unsigned long value = std::stoul(digits);
    if (value > 65535) return false;
    numbers[part] = static_cast<unsigned>(value);
    if (end == std::string::npos) return true;
    at = end + 1;
  }
  return false;  // a fifth number
}

// A text the launcher can hold: no NUL, at most MaxEntryLength UTF-16 units.
bool CheckText(Context& context, const toml::source_region& where, const std::string& key,
               const std::string& text) {
  if (text.find('\0') != std::string::npos) {
    return context.Fail(where, key, "the text holds a NUL character");
  }
  const std::size_t length = WidenUtf8(text).size();
  if (length > MaxEntryLength) {
    return context.Fail(where, key,
                        "the text is " + std::to_string(length) + " characters long; an entry " +
                            "holds at most " + std::to_string(MaxEntryLength));
  }
  return true;
}

bool ReadField(Context& context, const ConfigField& field, const toml::node& node,
               MakeConfig* config) {
  const std::string key = field.Name;
  const auto& where = node.source();
  std::string stored;
  switch (field.Kind) {
    case FieldKind::Flag:
    case FieldKind::OptInFlag: {
      const auto* value = node.as_boolean();
      if (!value) return context.Fail(where, key, "must be a boolean (true or false)");
      stored = value->get() ? "1" : "0";
      break;
    }
    case FieldKind::Number: {
      const auto* value = node.as_integer();
      if (!value) return context.Fail(where, key, "must be an integer");
      const long long number = value->get();
      if (number < field.Minimum || number > field.Maximum) {
        return context.Fail(where, key,
                            std::to_string(number) + " is outside " +
                                std::to_string(field.Minimum) + " to " +
                                std::to_string(field.Maximum));
      }
      stored = std::to_string(number);
      break;
    }
    default: {
      const auto* value = node.as_string();
      if (!value) return context.Fail(where, key, "must be a string");
      const std::string text = value->get();
      if (!CheckText(context, where, key, text)) return false;
      if (field.Kind == FieldKind::Message && !IsMessageFormat(text)) {
        return context.Fail(where, key,
                            "a message may hold one \"%s\" and \"%%\", no other conversion");
      }
      if (field.Text == &LaunchConfigRecord::JvmOptions) {
        // A word the launcher would hand to the machine as an option of its own, such
        // as a value behind a blank of an option that java takes only with '='.
        for (const std::string& option : JavaOptionsFromText(text.c_str())) {
          if (!LooksLikeJavaOption(option)) {
            return context.Fail(where, key,
                                "\"" + option + "\" is not an option (options start with \"-\"; " +
                                    "quote an option that holds blanks)");
          }
        }
      }
      if (field.Kind == FieldKind::HexText && !IsHexNumber(text)) {
        return context.Fail(where, key, "\"" + text + "\" is not a hexadecimal number");
      }
      JavaVersion version;
      if (field.Kind == FieldKind::Version && !text.empty() &&
          !ParseJavaVersion(text.c_str(), &version)) {
        return context.Fail(where, key,
                            "\"" + text + "\" is not a Java version (such as \"17\" or \"1.8\")");
      }
      if (field.Kind == FieldKind::MainClass) {
        if (!IsJavaClassName(text)) {
          return context.Fail(
              where, key,
              "\"" + text + "\" is not a Java class name (identifiers " + "separated by dots)");
        }
        if (text.size() > MaxMainClassLength) {
          return context.Fail(
              where, key,
              "a main class is at most " + std::to_string(MaxMainClassLength) + " characters long");
        }
        stored = ScrambleText(text);
      } else {
        // The launcher reads "<null>" as empty; it also survives tables that cannot
        // hold an empty string.
        stored = text.empty() ? "<null>" : text;
      }
      break;
    }
  }
  config->Entries[field.Entry] = stored;
  return true;
}

bool ReadVersion(Context& context, const toml::table& table, VersionSettings* version) {
  version->Present = true;
  bool sawFileVersion = version->Strings.count("FileVersion") > 0;
  for (auto&& [name, node] : table) {
    const std::string key = "version." + std::string(name.str());
    const auto& where = name.source();
    const bool isNumbers = name == "FileVersion" || name == "ProductVersion";
    bool known = isNumbers;
    std::vector<std::string> keys{"FileVersion", "ProductVersion"};
    for (const char* stringKey : VersionStringKeys) {
      known = known || name == stringKey;
      keys.push_back(stringKey);
    }
    if (!known) return context.Fail(where, key, UnknownKeyText(std::string(name.str()), keys));
    const auto* value = node.as_string();
    if (!value) return context.Fail(node.source(), key, "must be a string");
    const std::string text = value->get();
    if (!CheckText(context, node.source(), key, text)) return false;
    if (isNumbers) {
      unsigned* numbers = name == "FileVersion" ? version->FileVersion : version->ProductVersion;
      if (!ParseVersionNumbers(text, numbers)) {
        return context.Fail(node.source(), key,
                            "\"" + text + "\" is not a version of one to four numbers " +
                                "0 to 65535 separated by dots");
      }
      if (name == "FileVersion") sawFileVersion = true;
      if (name == "ProductVersion") version->ProductVersionGiven = true;
    }
    version->Strings[std::string(name.str())] = text;
  }
  if (!sawFileVersion) return context.Fail(table.source(), "version", "FileVersion is missing");
  if (!version->ProductVersionGiven) {
    version->Strings["ProductVersion"] = version->Strings["FileVersion"];
    for (int i = 0; i < 4; ++i) version->ProductVersion[i] = version->FileVersion[i];
  }
  return true;
}

bool ReadPath(Context& context, const std::string& key, const toml::node& node, std::string* path) {
  const auto* value = node.as_string();
  if (!value || value->get().empty()) {
    return context.Fail(node.source(), key, "must be a file name");
  }
  *path = ConfigRelativePath(context.Path, value->get());
  return true;
}

bool ReadManifestKey(Context& context, const std::string& key, const toml::node& node,
                     ManifestSettings* manifest) {
  if (key == "ExecutionLevel") {
    const auto* value = node.as_string();
    if (!value) return context.Fail(node.source(), key, "must be a string");
    for (const char* level : ExecutionLevels) {
      if (value->get() == level) {
        manifest->ExecutionLevel = level;
        return true;
      }
    }
    return context.Fail(
        node.source(), key,
        "\"" + value->get() + "\" is not asInvoker, highestAvailable or requireAdministrator");
  }
  const auto* value = node.as_boolean();
  if (!value) return context.Fail(node.source(), key, "must be a boolean (true or false)");
  (key == "DpiAware" ? manifest->DpiAware : manifest->Utf8) = value->get();
  return true;
}

}  // namespace

std::string UnknownKeyText(const std::string& key, const std::vector<std::string>& known) {
  const auto fold = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  // Edit distance with swaps of neighbours (optimal string alignment), case folded.
  const auto distance = [](const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      for (std::size_t j = 1; j <= b.size(); ++j) {
        d[i][j] = std::min(
            {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
        if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
          d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
      }
    }
    return d[a.size()][b.size()];
  };
  const std::string folded = fold(key);
  const std::string* best = nullptr;
  std::size_t bestDistance = 0;
  for (const std::string& candidate : known) {
    const std::size_t off = distance(folded, fold(candidate));
    if (off > (candidate.size() >= 8 ? 2u : 1u)) continue;
    if (!best || off < bestDistance) {
      best = &candidate;
      bestDistance = off;
    }
  }
  return best ? "unknown key; did you mean " + *best + "?" : "unknown key";
}

std::string EntryText(const MakeConfig& config, const char* name) {
  const auto found = config.Entries.find(FindConfigField(name)->Entry);
  if (found == config.Entries.end() || found->second == "<null>") return std::string();
  return found->second;
}

bool StoreEntryText(MakeConfig* config, const char* name, const std::string& text,
                    const char* whose, std::string* error) {
  if (text.size() > MaxEntryLength) {
    *error = std::string(name) + ": " + whose + " value would be " + std::to_string(text.size()) +
             " characters long; an entry holds at most " + std::to_string(MaxEntryLength);
    return false;
  }
  config->Entries[FindConfigField(name)->Entry] = text.empty() ? "<null>" : text;
  return true;
}

bool IsMessageFormat(const std::string& text) {
  int strings = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
    } else if (i + 1 < text.size() && text[i + 1] == 's') {
      ++strings;
      ++i;
    } else {
      return false;
    }
  }
  return strings <= 1;
}

bool IsJavaClassName(const std::string& text) {
  std::size_t at = 0;
  while (true) {
    const std::size_t end = std::min(text.find('.', at), text.size());
    if (end == at || !IsIdentifierStart(text[at])) return false;
    for (std::size_t i = at + 1; i < end; ++i) {
      if (!IsIdentifierPart(text[i])) return false;
    }
    if (end == text.size()) return true;
    at = end + 1;
  }
}

bool ParseMakeConfig(const std::string& text, const std::string& path, MakeConfig* config,
                     std::string* error) {
  *config = MakeConfig();
  return ParseMakeConfigOver(text, path, config, error);
}

bool ParseMakeConfigOver(const std::string& text, const std::string& path, MakeConfig* config,
                         std::string* error) {
  Context context{path, error};
  toml::table root;
  try {
    root = toml::parse(text, path);
  } catch (const toml::parse_error& failure) {
    *error = path + ":" + std::to_string(failure.source().begin.line) + ": " +
             std::string(failure.description());
    return false;
  }
  for (auto&& [name, node] : root) {
    const std::string key(name.str());
    if (key == "version") {
      const auto* table = node.as_table();
      if (!table) return context.Fail(node.source(), key, "must be a table");
      if (!ReadVersion(context, *table, &config->Version)) return false;
    } else if (key == "bundle") {
      const auto* table = node.as_table();
      if (!table) return context.Fail(node.source(), key, "must be a table");
      if (!ReadBundleSettings(*table, path, &config->Bundle, error)) return false;
    } else if (key == "sign") {
      const auto* table = node.as_table();
      if (!table) return context.Fail(node.source(), key, "must be a table");
      if (!ReadSignSettings(*table, path, &config->Sign, error)) return false;
    } else if (key == "installer") {
      const auto* table = node.as_table();
      if (!table) return context.Fail(node.source(), key, "must be a table");
      if (!ReadInstallerSettings(*table, path, &config->Installer, error)) return false;
    } else if (key == "Icon") {
      if (!ReadPath(context, key, node, &config->IconPath)) return false;
    } else if (key == "Splash") {
      if (!ReadPath(context, key, node, &config->SplashPath)) return false;
    } else if (key == "ExecutionLevel" || key == "DpiAware" || key == "Utf8") {
      if (!ReadManifestKey(context, key, node, &config->Manifest)) return false;
      config->ManifestKeys = true;
    } else if (key == "Console" || key == "OneFile") {
      const auto* value = node.as_boolean();
      if (!value) return context.Fail(node.source(), key, "must be a boolean (true or false)");
      (key == "Console" ? config->Console : config->OneFile) = value->get();
    } else if (const ConfigField* field = FindConfigField(key.c_str())) {
      if (!ReadField(context, *field, node, config)) return false;
    } else {
      std::vector<std::string> keys{"version", "bundle"};
      for (const MakeConfigKey& known : MakeConfigKeys()) {
        if (known.Name.find('.') == std::string::npos) keys.push_back(known.Name);
      }
      return context.Fail(name.source(), key, UnknownKeyText(key, keys));
    }
  }
  return true;
}

bool ReadMakeConfig(const std::string& path, MakeConfig* config, std::string* error) {
  *config = MakeConfig();
  return ReadMakeConfigOver(path, config, error);
}

bool ReadMakeConfigOver(const std::string& path, MakeConfig* config, std::string* error) {
  std::string text;
  return ReadWholeFile(path, &text, error) && ParseMakeConfigOver(text, path, config, error);
}

std::vector<MakeConfigKey> MakeConfigKeys() {
  std::vector<MakeConfigKey> keys;
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    const FieldKind kind = ConfigFields[i].Kind;
    const char* type = kind == FieldKind::Flag || kind == FieldKind::OptInFlag ? "boolean"
                       : kind == FieldKind::Number                             ? "integer"
                                                                               : "string";
    keys.push_back({ConfigFields[i].Name, type});
  }
  for (const MakeConfigKey& key : SpecialKeys) keys.push_back(key);
  for (const char* name : VersionStringKeys)
    keys.push_back({"version." + std::string(name), "string"});
  for (std::size_t i = 0; i < SignKeyCount; ++i)
    keys.push_back({SignKeys[i].Name, SignKeys[i].Type});
  return keys;
}
