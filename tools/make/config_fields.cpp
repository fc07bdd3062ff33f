#include "tools/make/config_fields.h"

#include <climits>
#include <cstring>

#include "launcher/launch_config.h"

namespace {

constexpr long long NoLimit = 0;

}  // namespace

const ConfigField ConfigFields[] = {
    {"JniVersionText", EntryJniVersion, FieldKind::HexText, NoLimit, NoLimit},
    {"RuntimeLibrary", EntryRuntimeLibrary, FieldKind::Text, NoLimit, NoLimit},
    {"JvmOptions", EntryJvmOptions, FieldKind::Text, NoLimit, NoLimit},
    {"ClassPath", EntryClassPath, FieldKind::Text, NoLimit, NoLimit},
    {"RuntimeSearchMode", EntryRuntimeSearchMode, FieldKind::Number, 0, 7},
    {"InstallSwitch", EntryInstallSwitch, FieldKind::Text, NoLimit, NoLimit},
    {"UninstallSwitch", EntryUninstallSwitch, FieldKind::Text, NoLimit, NoLimit},
    {"ServiceSwitch", EntryServiceSwitch, FieldKind::Text, NoLimit, NoLimit},
    {"WorkingDirectory", EntryWorkingDirectory, FieldKind::Text, NoLimit, NoLimit},
    {"MainClass", EntryMainClass, FieldKind::MainClass, NoLimit, NoLimit},
    {"AppOptions", EntryAppOptions, FieldKind::Text, NoLimit, NoLimit},
    {"IniFile", EntryIniFile, FieldKind::Text, NoLimit, NoLimit},
    {"ReturnToStartDirectory", EntryReturnToStartDirectory, FieldKind::Flag, NoLimit, NoLimit},
    {"WorkingDirectoryBeforeJvm", EntryWorkingDirectoryBeforeJvm, FieldKind::Flag, NoLimit,
     NoLimit},
    {"ServiceName", EntryServiceName, FieldKind::Text, NoLimit, NoLimit},
    {"ServiceDescription", EntryServiceDescription, FieldKind::Text, NoLimit, NoLimit},
    {"ServiceStartOptions", EntryServiceStartOptions, FieldKind::Text, NoLimit, NoLimit},
    {"ServiceStopOptions", EntryServiceStopOptions, FieldKind::Text, NoLimit, NoLimit},
    {"StopServiceByExit", EntryStopServiceByExit, FieldKind::Flag, NoLimit, NoLimit},
    {"ManualServiceStart", EntryManualServiceStart, FieldKind::Flag, NoLimit, NoLimit},
    {"AllowMultipleInstances", EntryAllowMultipleInstances, FieldKind::Flag, NoLimit, NoLimit},
    {"StdoutFile", EntryStdoutFile, FieldKind::Text, NoLimit, NoLimit},
    {"StderrFile", EntryStderrFile, FieldKind::Text, NoLimit, NoLimit},
    {"SplashCaption", EntrySplashCaption, FieldKind::Text, NoLimit, NoLimit},
    {"SplashUntilWindow", EntrySplashUntilWindow, FieldKind::Flag, NoLimit, NoLimit},
    // The splash timer runs for SplashSeconds * 1000 ms in a 32-bit count.
    {"SplashSeconds", EntrySplashSeconds, FieldKind::Number, 0, INT_MAX / 1000},
    {"MsgAlreadyRunning", EntryMsgAlreadyRunning, FieldKind::Message, NoLimit, NoLimit},
    {"MsgFileAccess", EntryMsgFileAccess, FieldKind::Message, NoLimit, NoLimit},
    {"MsgNoRuntime", EntryMsgNoRuntime, FieldKind::Message, NoLimit, NoLimit},
    {"MsgLoadJvm", EntryMsgLoadJvm, FieldKind::Message, NoLimit, NoLimit},
    {"MsgNoJniInterfaces", EntryMsgNoJniInterfaces, FieldKind::Message, NoLimit, NoLimit},
    {"MsgCreateJvm", EntryMsgCreateJvm, FieldKind::Message, NoLimit, NoLimit},
    {"MsgAttachThread", EntryMsgAttachThread, FieldKind::Message, NoLimit, NoLimit},
    {"MsgLocateClass", EntryMsgLocateClass, FieldKind::Message, NoLimit, NoLimit},
    {"MsgLocateMethod", EntryMsgLocateMethod, FieldKind::Message, NoLimit, NoLimit},
    {"MsgInstantiate", EntryMsgInstantiate, FieldKind::Message, NoLimit, NoLimit},
    {"MsgAssignArgument", EntryMsgAssignArgument, FieldKind::Message, NoLimit, NoLimit},
    {"MsgInvokeMethod", EntryMsgInvokeMethod, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceInstalled", EntryMsgServiceInstalled, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceUninstalled", EntryMsgServiceUninstalled, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceAlreadyInstalled", EntryMsgServiceAlreadyInstalled, FieldKind::Message, NoLimit,
     NoLimit},
    {"MsgServiceStarted", EntryMsgServiceStarted, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceStopped", EntryMsgServiceStopped, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceStartFailed", EntryMsgServiceStartFailed, FieldKind::Message, NoLimit, NoLimit},
    {"MsgServiceStopTimeout", EntryMsgServiceStopTimeout, FieldKind::Message, NoLimit, NoLimit},
};

const std::size_t ConfigFieldCount = sizeof ConfigFields / sizeof ConfigFields[0];

const ConfigField* FindConfigField(const char* name) {
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    if (std::strcmp(ConfigFields[i].Name, name) == 0) return &ConfigFields[i];
  }
  return nullptr;
}
