#include "tools/make/config_defaults.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// The generic launcher's own texts, kept by a launcher whose file does not change them.
struct DefaultText {
  const char* Name;
  const char* Stored;
};

constexpr DefaultText DefaultTexts[] = {
    {"JniVersionText", "0x00010004"},
    {"InstallSwitch", "-install"},
    {"UninstallSwitch", "-uninstall"},
    {"ServiceSwitch", "-startlauncherinservicemode"},
    {"AllowMultipleInstances", "1"},
    {"RuntimeDiscovery", "1"},
    {"StartupArchive", "1"},
    {"ServiceStopTimeout", "30"},
    {"MsgAlreadyRunning", "An instance of this program is already running."},
    {"MsgFileAccess", "Error accessing file/directory: %s"},
    {"MsgNoRuntime", "Unable to locate suitable Java Runtime Environment on this machine."},
    {"MsgLoadJvm", "Unable to load JVM: %s"},
    {"MsgNoJniInterfaces", "Unable to locate JNI interfaces in %s"},
    {"MsgCreateJvm", "Unable to create JVM instance using %s"},
    {"MsgAttachThread", "Unable to attach thread to the JVM."},
    {"MsgLocateClass", "Error locating class: %s"},
    {"MsgLocateMethod", "Error locating method: %s"},
    {"MsgInstantiate", "Error instantiating object: %s"},
    {"MsgAssignArgument", "Error assigning string argument: %s"},
    {"MsgInvokeMethod", "Error invoking method: %s"},
    {"MsgServiceInstalled", "Service installed: %s"},
    {"MsgServiceUninstalled", "Service uninstalled: %s"},
    {"MsgServiceAlreadyInstalled", "Service is already installed: %s"},
    {"MsgServiceStarted", "The %s service has started."},
    {"MsgServiceStopped", "The %s service has stopped."},
    {"MsgServiceStartFailed", "The %s service failed to start."},
    {"MsgServiceStopTimeout",
     "The %s service has timed out during a stop request and will be terminated."},
};

}  // namespace

std::string DefaultEntry(const ConfigField& field) {
  for (const DefaultText& text : DefaultTexts) {
    if (std::strcmp(text.Name, field.Name) == 0) return text.Stored;
  }
  switch (field.Kind) {
    case FieldKind::Flag:
    case FieldKind::OptInFlag:
    case FieldKind::Number:
      return "0";
    default:
      return "<null>";
  }
}

std::map<unsigned, std::string> CompleteEntries(const MakeConfig& config) {
  std::map<unsigned, std::string> entries = config.Entries;
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    entries.emplace(ConfigFields[i].Entry, DefaultEntry(ConfigFields[i]));
  }
  return entries;
}

LaunchConfigRecord LaunchConfigOf(const std::map<unsigned, std::string>& entries) {
  LaunchConfigRecord config;
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    const ConfigField& field = ConfigFields[i];
    const auto found = entries.find(field.Entry);
    const std::string text =
        found == entries.end() || found->second == "<null>" ? std::string() : found->second;
    if (field.Kind == FieldKind::Flag) {
      config.*field.Flag = text.empty() || text[0] != '0';
    } else if (field.Kind == FieldKind::OptInFlag) {
      config.*field.Flag = !text.empty() && text[0] != '0';
    } else if (field.Kind == FieldKind::Number) {
      config.*field.Number = std::atoi(text.c_str());
    } else {
      config.*field.Text = text;
    }
  }
  if (config.ServiceStopTimeout <= 0) config.ServiceStopTimeout = DefaultServiceStopTimeout;
  return config;
}

VersionSettings NeutralVersion(const std::string& outputFileName) {
  VersionSettings version;
  version.Present = true;
  version.Strings["FileVersion"] = "0.0.0.0";
  version.Strings["ProductVersion"] = "0.0.0.0";
  version.Strings["FileDescription"] = std::filesystem::path(outputFileName).stem().string();
  version.Strings["OriginalFilename"] = outputFileName;
  return version;
}
