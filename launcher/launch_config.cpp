#include "launcher/launch_config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  char path[IniPathSize];
  const int length = std::snprintf(path, sizeof path, "%s%c%s", directory, PathSeparator,
                                   LaunchConfig.IniFile.c_str());
  // A path that does not fit would name another file: no override at all.
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return;
  OverrideFromIni("JvmOptions", path, LaunchConfig.JvmOptions);
  OverrideFromIni("AppOptions", path, LaunchConfig.AppOptions);
}

}  // namespace

std::string LoadConfigString(unsigned entry) {
  char buffer[EntryBufferSize];
  const int length = ReadStringTableEntry(entry, buffer, sizeof buffer);
  if (length <= 0 || std::strcmp(buffer, "<null>") == 0) return std::string();
  return std::string(buffer);
}

bool LoadConfigFlag(unsigned entry) { return LoadConfigString(entry)[0] != '0'; }

int LoadConfigNumber(unsigned entry) { return std::atoi(LoadConfigString(entry).c_str()); }

int ParseJniVersion(const char* text) {
  unsigned int value = 0;
  if (std::sscanf(text, "%x", &value) != 1) return 0;
  return static_cast<int>(value);
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
  c.MainClass = UnscrambleText(LoadConfigString(EntryMainClass).c_str());

  c.RuntimeLibrary = LoadConfigString(EntryRuntimeLibrary);
  c.ClassPath = LoadConfigString(EntryClassPath);
  c.JvmOptions = LoadConfigString(EntryJvmOptions);
  c.InstallSwitch = LoadConfigString(EntryInstallSwitch);
  c.UninstallSwitch = LoadConfigString(EntryUninstallSwitch);
  c.ServiceSwitch = LoadConfigString(EntryServiceSwitch);
  c.ServiceName = LoadConfigString(EntryServiceName);
  c.ServiceDescription = LoadConfigString(EntryServiceDescription);
  c.WorkingDirectory = LoadConfigString(EntryWorkingDirectory);
  c.AppOptions = LoadConfigString(EntryAppOptions);
  c.ServiceStartOptions = LoadConfigString(EntryServiceStartOptions);
  c.ServiceStopOptions = LoadConfigString(EntryServiceStopOptions);
  c.StdoutFile = LoadConfigString(EntryStdoutFile);
  c.StderrFile = LoadConfigString(EntryStderrFile);
  c.SplashCaption = LoadConfigString(EntrySplashCaption);
  c.IniFile = LoadConfigString(EntryIniFile);

  c.WorkingDirectoryBeforeJvm = LoadConfigFlag(EntryWorkingDirectoryBeforeJvm);
  c.AllowMultipleInstances = LoadConfigFlag(EntryAllowMultipleInstances);
  c.SplashUntilWindow = LoadConfigFlag(EntrySplashUntilWindow);
  c.ManualServiceStart = LoadConfigFlag(EntryManualServiceStart);
  c.StopServiceByExit = LoadConfigFlag(EntryStopServiceByExit);
  c.ReturnToStartDirectory = LoadConfigFlag(EntryReturnToStartDirectory);

  c.SplashSeconds = LoadConfigNumber(EntrySplashSeconds);
  c.RuntimeSearchMode = LoadConfigNumber(EntryRuntimeSearchMode);

  c.JniVersionText = LoadConfigString(EntryJniVersion);
  c.JniVersion = ParseJniVersion(c.JniVersionText.c_str());

  for (char& ch : c.MainClass) {
    if (ch == '.') ch = '/';
  }

  c.MsgAlreadyRunning = LoadConfigString(EntryMsgAlreadyRunning);
  c.MsgFileAccess = LoadConfigString(EntryMsgFileAccess);
  c.MsgServiceStarted = LoadConfigString(EntryMsgServiceStarted);
  c.MsgServiceStopped = LoadConfigString(EntryMsgServiceStopped);
  c.MsgServiceStartFailed = LoadConfigString(EntryMsgServiceStartFailed);
  c.MsgServiceStopTimeout = LoadConfigString(EntryMsgServiceStopTimeout);
  c.MsgServiceAlreadyInstalled = LoadConfigString(EntryMsgServiceAlreadyInstalled);
  c.MsgServiceInstalled = LoadConfigString(EntryMsgServiceInstalled);
  c.MsgServiceUninstalled = LoadConfigString(EntryMsgServiceUninstalled);
  c.MsgNoRuntime = LoadConfigString(EntryMsgNoRuntime);
  c.MsgLoadJvm = LoadConfigString(EntryMsgLoadJvm);
  c.MsgNoJniInterfaces = LoadConfigString(EntryMsgNoJniInterfaces);
  c.MsgCreateJvm = LoadConfigString(EntryMsgCreateJvm);
  c.MsgAttachThread = LoadConfigString(EntryMsgAttachThread);
  c.MsgLocateClass = LoadConfigString(EntryMsgLocateClass);
  c.MsgLocateMethod = LoadConfigString(EntryMsgLocateMethod);
  c.MsgInstantiate = LoadConfigString(EntryMsgInstantiate);
  c.MsgAssignArgument = LoadConfigString(EntryMsgAssignArgument);
  c.MsgInvokeMethod = LoadConfigString(EntryMsgInvokeMethod);

  ApplyIniOverride();
}
