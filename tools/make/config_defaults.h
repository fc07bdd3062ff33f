#pragma once

#include <map>
#include <string>

#include "core/config_fields.h"
#include "tools/make/config_file.h"

/// The stored text corvane-make writes for `field` when the configuration file leaves
/// it out: a launcher made by the tool carries nothing of the sample application the
/// generic launcher is built for. Texts are empty, flags clear and numbers 0, except:
/// the service switches and the messages keep the generic launcher's texts, more than
/// one instance may run, RuntimeDiscovery finds the Java installed today, StartupArchive
/// keeps a class-data archive in the user's cache, JniVersionText is 0x00010004 and
/// ServiceStopTimeout 30.
std::string DefaultEntry(const ConfigField& field);

/// Every entry of the launch configuration: the ones `config` sets, DefaultEntry for
/// the rest.
std::map<unsigned, std::string> CompleteEntries(const MakeConfig& config);

/// The launch configuration that a launcher reads from `entries` (stored texts, as
/// CompleteEntries gives them), by the launcher's rules for each kind; the main class
/// stays as stored and the INI file is not read.
LaunchConfigRecord LaunchConfigOf(const std::map<unsigned, std::string>& entries);

/// The version resource of a configuration without a [version] table: version 0.0.0.0,
/// the output's name as file description and original file name, nothing else.
VersionSettings NeutralVersion(const std::string& outputFileName);
