#include "core/config_fields.h"

#include <climits>
#include <cstring>

namespace {

using Record = LaunchConfigRecord;

constexpr ConfigField TextField(const char* name, unsigned entry, FieldKind kind,
                                std::string Record::*member) {
  return {name, entry, kind, 0, 0, member, nullptr, nullptr};
}

constexpr ConfigField FlagField(const char* name, unsigned entry, FieldKind kind,
                                bool Record::*member) {
  return {name, entry, kind, 0, 0, nullptr, member, nullptr};
}

constexpr ConfigField NumberField(const char* name, unsigned entry, long long minimum,
                                  long long maximum, int Record::*member) {
  return {name, entry, FieldKind::Number, minimum, maximum, nullptr, nullptr, member};
}

constexpr FieldKind Text = FieldKind::Text;
constexpr FieldKind Message = FieldKind::Message;
constexpr FieldKind Flag = FieldKind::Flag;
constexpr FieldKind OptInFlag = FieldKind::OptInFlag;
constexpr FieldKind Version = FieldKind::Version;

}  // namespace

const ConfigField ConfigFields[] = {
    TextField("JniVersionText", EntryJniVersion, FieldKind::HexText, &Record::JniVersionText),
    TextField("RuntimeLibrary", EntryRuntimeLibrary, Text, &Record::RuntimeLibrary),
    TextField("JvmOptions", EntryJvmOptions, Text, &Record::JvmOptions),
    TextField("ClassPath", EntryClassPath, Text, &Record::ClassPath),
    NumberField("RuntimeSearchMode", EntryRuntimeSearchMode, 0, 7, &Record::RuntimeSearchMode),
    TextField("InstallSwitch", EntryInstallSwitch, Text, &Record::InstallSwitch),
    TextField("UninstallSwitch", EntryUninstallSwitch, Text, &Record::UninstallSwitch),
    TextField("ServiceSwitch", EntryServiceSwitch, Text, &Record::ServiceSwitch),
    TextField("WorkingDirectory", EntryWorkingDirectory, Text, &Record::WorkingDirectory),
    TextField("MainClass", EntryMainClass, FieldKind::MainClass, &Record::MainClass),
    TextField("AppOptions", EntryAppOptions, Text, &Record::AppOptions),
    TextField("IniFile", EntryIniFile, Text, &Record::IniFile),
    FlagField("ReturnToStartDirectory", EntryReturnToStartDirectory, Flag,
              &Record::ReturnToStartDirectory),
    FlagField("WorkingDirectoryBeforeJvm", EntryWorkingDirectoryBeforeJvm, Flag,
              &Record::WorkingDirectoryBeforeJvm),
    TextField("ServiceName", EntryServiceName, Text, &Record::ServiceName),
    TextField("ServiceDescription", EntryServiceDescription, Text, &Record::ServiceDescription),
    TextField("ServiceStartOptions", EntryServiceStartOptions, Text, &Record::ServiceStartOptions),
    TextField("ServiceStopOptions", EntryServiceStopOptions, Text, &Record::ServiceStopOptions),
    FlagField("StopServiceByExit", EntryStopServiceByExit, Flag, &Record::StopServiceByExit),
    FlagField("ManualServiceStart", EntryManualServiceStart, Flag, &Record::ManualServiceStart),
    FlagField("AllowMultipleInstances", EntryAllowMultipleInstances, Flag,
              &Record::AllowMultipleInstances),
    TextField("StdoutFile", EntryStdoutFile, Text, &Record::StdoutFile),
    TextField("StderrFile", EntryStderrFile, Text, &Record::StderrFile),
    TextField("SplashCaption", EntrySplashCaption, Text, &Record::SplashCaption),
    FlagField("SplashUntilWindow", EntrySplashUntilWindow, Flag, &Record::SplashUntilWindow),
    // The splash timer runs for SplashSeconds * 1000 ms in a 32-bit count.
    NumberField("SplashSeconds", EntrySplashSeconds, 0, INT_MAX / 1000, &Record::SplashSeconds),
    TextField("MsgAlreadyRunning", EntryMsgAlreadyRunning, Message, &Record::MsgAlreadyRunning),
    TextField("MsgFileAccess", EntryMsgFileAccess, Message, &Record::MsgFileAccess),
    TextField("MsgNoRuntime", EntryMsgNoRuntime, Message, &Record::MsgNoRuntime),
    TextField("MsgLoadJvm", EntryMsgLoadJvm, Message, &Record::MsgLoadJvm),
    TextField("MsgNoJniInterfaces", EntryMsgNoJniInterfaces, Message, &Record::MsgNoJniInterfaces),
    TextField("MsgCreateJvm", EntryMsgCreateJvm, Message, &Record::MsgCreateJvm),
    TextField("MsgAttachThread", EntryMsgAttachThread, Message, &Record::MsgAttachThread),
    TextField("MsgLocateClass", EntryMsgLocateClass, Message, &Record::MsgLocateClass),
    TextField("MsgLocateMethod", EntryMsgLocateMethod, Message, &Record::MsgLocateMethod),
    TextField("MsgInstantiate", EntryMsgInstantiate, Message, &Record::MsgInstantiate),
    TextField("MsgAssignArgument", EntryMsgAssignArgument, Message, &Record::MsgAssignArgument),
    TextField("MsgInvokeMethod", EntryMsgInvokeMethod, Message, &Record::MsgInvokeMethod),
    TextField("MsgServiceInstalled", EntryMsgServiceInstalled, Message,
              &Record::MsgServiceInstalled),
    TextField("MsgServiceUninstalled", EntryMsgServiceUninstalled, Message,
              &Record::MsgServiceUninstalled),
    TextField("MsgServiceAlreadyInstalled", EntryMsgServiceAlreadyInstalled, Message,
              &Record::MsgServiceAlreadyInstalled),
    TextField("MsgServiceStarted", EntryMsgServiceStarted, Message, &Record::MsgServiceStarted),
    TextField("MsgServiceStopped", EntryMsgServiceStopped, Message, &Record::MsgServiceStopped),
    TextField("MsgServiceStartFailed", EntryMsgServiceStartFailed, Message,
              &Record::MsgServiceStartFailed),
    TextField("MsgServiceStopTimeout", EntryMsgServiceStopTimeout, Message,
              &Record::MsgServiceStopTimeout),
    // Settings beyond the first table: absent, they leave the launcher as it was.
    FlagField("RuntimeDiscovery", EntryRuntimeDiscovery, OptInFlag, &Record::RuntimeDiscovery),
    TextField("RuntimeMinVersion", EntryRuntimeMinVersion, Version, &Record::RuntimeMinVersion),
    TextField("RuntimeMaxVersion", EntryRuntimeMaxVersion, Version, &Record::RuntimeMaxVersion),
    TextField("RuntimeDownloadUrl", EntryRuntimeDownloadUrl, Text, &Record::RuntimeDownloadUrl),
    TextField("MsgOpenDownloadPage", EntryMsgOpenDownloadPage, Message,
              &Record::MsgOpenDownloadPage),
    // The restart delay and the stop watchdog run in 32-bit millisecond counts; the
    // stop wait hint adds 10 seconds to the watchdog's.
    NumberField("ServiceRestartSeconds", EntryServiceRestartSeconds, 0, INT_MAX / 1000,
                &Record::ServiceRestartSeconds),
    FlagField("ServiceDelayedStart", EntryServiceDelayedStart, OptInFlag,
              &Record::ServiceDelayedStart),
    NumberField("ServiceStopTimeout", EntryServiceStopTimeout, 1, INT_MAX / 1000 - 10,
                &Record::ServiceStopTimeout),
    FlagField("StartupArchive", EntryStartupArchive, OptInFlag, &Record::StartupArchive),
    TextField("MainJar", EntryMainJar, Text, &Record::MainJar),
};

const std::size_t ConfigFieldCount = sizeof ConfigFields / sizeof ConfigFields[0];

const ConfigField* FindConfigField(const char* name) {
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    if (std::strcmp(ConfigFields[i].Name, name) == 0) return &ConfigFields[i];
  }
  return nullptr;
}
