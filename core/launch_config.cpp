#include "core/launch_config.h"

#include <cstdlib>
#include <cstring>

#include "core/config_fields.h"
#include "core/trace.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/string_table.h"

LaunchConfigRecord& LaunchConfig = *new LaunchConfigRecord();

namespace {

constexpr int EntryBufferSize = 1024;
constexpr std::size_t CurrentDirectorySize = 261;
constexpr std::size_t IniPathSize = 272;
constexpr const char* IniSection = "Application Configuration";

// The scrambling key: 16 characters and their terminating zero, 17 elements.
constexpr char ScrambleKey[] = "R4kWq9Zt2Hb7Xy5N";
constexpr std::size_t ScrambleKeyLength = sizeof ScrambleKey;  // 17
constexpr std::size_t UnscrambleBufferSize = 256;

char UnscrambleBuffer[UnscrambleBufferSize];

int DigitValue(char c) {
  const signed char code = static_cast<signed char>(c);
  if (static_cast<unsigned char>(code - '0') <= 9) return code - '0';
  return code - 55;
}

// Reads one INI key into `target` when the file gives a non-empty value.
void OverrideFromIni(const char* key, const char* path, std::string& target) {
  char value[EntryBufferSize];
  if (ReadProfileString(IniSection, key, "", value, sizeof value, path) > 0 && value[0] != '\0') {
    target = value;
  }
}

void ApplyIniOverride() {
  if (LaunchConfig.IniFile.empty()) return;
  if (!CanOpenForReading(LaunchConfig.IniFile.c_str())) return;
  char directory[CurrentDirectorySize];
  if (!ReadCurrentDirectory(directory, sizeof directory)) return;
  const std::string path = std::string(directory) + PathSeparator + LaunchConfig.IniFile;
  // A path that does not fit would name another file: no override at all.
  if (path.size() >= IniPathSize) return;
  Trace("config INI file %s", path.c_str());
  OverrideFromIni("JvmOptions", path.c_str(), LaunchConfig.JvmOptions);
  OverrideFromIni("AppOptions", path.c_str(), LaunchConfig.AppOptions);
}

void TraceLaunchConfig() {
  const LaunchConfigRecord& c = LaunchConfig;
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    const ConfigField& field = ConfigFields[i];
    if (field.Flag != nullptr) {
      Trace("config %u %s = %s", field.Entry, field.Name, c.*field.Flag ? "on" : "off");
    } else if (field.Number != nullptr) {
      Trace("config %u %s = %d", field.Entry, field.Name, c.*field.Number);
    } else {
      Trace("config %u %s = \"%s\"", field.Entry, field.Name, (c.*field.Text).c_str());
    }
  }
}

}  // namespace

std::string LoadConfigString(unsigned entry) {
  char buffer[EntryBufferSize];
  const int length = ReadStringTableEntry(entry, buffer, sizeof buffer);
  if (length <= 0 || std::strcmp(buffer, "<null>") == 0) return std::string();
  return std::string(buffer);
}

bool LoadConfigFlag(unsigned entry) { return LoadConfigString(entry)[0] != '0'; }

bool LoadOptInFlag(unsigned entry) {
  const std::string text = LoadConfigString(entry);
  return !text.empty() && text[0] != '0';
}

int LoadConfigNumber(unsigned entry) { return std::atoi(LoadConfigString(entry).c_str()); }

int ParseJniVersion(const char* text) {
  // Like scanf's %x: blanks, a sign and 0x may lead; no digit at all gives 0.
  return static_cast<int>(static_cast<unsigned int>(std::strtoul(text, nullptr, 16)));
}

const char* UnscrambleText(const char* text) {
  std::memset(UnscrambleBuffer, 0, sizeof UnscrambleBuffer);
  std::size_t length = std::strlen(text);
  // Only what fits the buffer with its terminator is decoded.
  const std::size_t maxDigits = 2 * (UnscrambleBufferSize - 1);
  if (length > maxDigits) length = maxDigits;
  for (std::size_t i = 0; i < length; i += 2) {
    // With an odd count the last digit pairs with the text's terminator.
    const char second = i + 1 < length ? text[i + 1] : '\0';
    UnscrambleBuffer[i / 2] = static_cast<char>((DigitValue(text[i]) * 16 + DigitValue(second)) & 0xFF);
  }
  for (std::size_t j = 0; j < length / 2; ++j) {
    UnscrambleBuffer[j] = static_cast<char>(UnscrambleBuffer[j] ^ ScrambleKey[j % ScrambleKeyLength]);
  }
  return UnscrambleBuffer;
}

void LoadLaunchConfig() {
  LaunchConfigRecord& c = LaunchConfig;
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    const ConfigField& field = ConfigFields[i];
    switch (field.Kind) {
      case FieldKind::Flag:
        c.*field.Flag = LoadConfigFlag(field.Entry);
        break;
      case FieldKind::OptInFlag:
        c.*field.Flag = LoadOptInFlag(field.Entry);
        break;
      case FieldKind::Number:
        c.*field.Number = LoadConfigNumber(field.Entry);
        break;
      case FieldKind::MainClass:
        c.*field.Text = UnscrambleText(LoadConfigString(field.Entry).c_str());
        break;
      default:
        c.*field.Text = LoadConfigString(field.Entry);
        break;
    }
  }
  c.JniVersion = ParseJniVersion(c.JniVersionText.c_str());
  if (c.ServiceStopTimeout <= 0) c.ServiceStopTimeout = DefaultServiceStopTimeout;
  for (char& ch : c.MainClass) {
    if (ch == '.') ch = '/';
  }
  ApplyIniOverride();
  if (Tracing()) TraceLaunchConfig();
}
