#pragma once

#include <string>

#include "core/launch_config.h"

/// The seconds systemd waits for a stop beyond ServiceStopTimeout: the launcher's own
/// watchdog ends the process first, and the runtime's end gets the rest.
constexpr int StopTimeoutMarginSeconds = 10;

/// Whether `name` followed by ".service" is a unit name systemd takes: letters, digits
/// and ":-_.\\", at most 249 characters, not empty. A template's '@' is refused.
bool IsSystemdUnitName(const std::string& name);

/// `word` as one word of a systemd command line: in double quotes when it holds a blank,
/// a quote, a backslash or a control character (escaped inside), or is empty; '%' and
/// '$' doubled, so that systemd expands neither a specifier nor a variable in it.
std::string QuoteSystemdWord(const std::string& word);

/// The unit file of the service that `config` describes, run as the launcher at the
/// absolute path `executable` with ServiceSwitch: Type=notify, TimeoutStopSec of
/// ServiceStopTimeout plus the margin, Restart=on-failure with RestartSec when
/// ServiceRestartSeconds is above 0, Description from ServiceDescription (else the
/// service name), and WantedBy=multi-user.target unless ManualServiceStart.
std::string SystemdUnitText(const LaunchConfigRecord& config, const std::string& executable);
