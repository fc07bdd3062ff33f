// The systemd unit of the service: one text for the launcher's install switch and for
// the package that corvane-make writes, so that both register the same service.
#include "service/systemd_unit.h"

#include <cstdio>

namespace {

constexpr std::size_t MaxUnitNameLength = 256 - sizeof(".service");

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

// A value of a unit file: specifiers doubled, control characters (a line break would
// end the line) made blanks, and no trailing backslash, which would continue the line.
std::string UnitValue(const std::string& text) {
  std::string value;
  for (const char c : text) {
    if (c == '%') value += '%';
    value += IsControl(static_cast<unsigned char>(c)) ? ' ' : c;
  }
  while (!value.empty() && (value.back() == '\\' || value.back() == ' ')) value.pop_back();
  return value;
}

}  // namespace

bool IsSystemdUnitName(const std::string& name) {
  if (name.empty() || name.size() > MaxUnitNameLength) return false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter && c != ':' && c != '-' && c != '_' && c != '.' && c != '\\') return false;
  }
  return true;
}

std::string QuoteSystemdWord(const std::string& word) {
  bool quoted = word.empty();
  std::string inner;
  for (const char c : word) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '%' || c == '$') {
      inner += c;
      inner += c;
    } else if (c == '"' || c == '\\') {
      inner += '\\';
      inner += c;
      quoted = true;
    } else if (IsControl(byte)) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      inner += escaped;
      quoted = true;
    } else {
      inner += c;
      quoted = quoted || c == ' ' || c == '\'' || c == ';';
    }
  }
  return quoted ? "\"" + inner + "\"" : inner;
}

std::string SystemdUnitText(const LaunchConfigRecord& config, const std::string& executable) {
  const std::string& description =
      config.ServiceDescription.empty() ? config.ServiceName : config.ServiceDescription;
  std::string unit = "[Unit]\nDescription=" + UnitValue(description) + "\n\n";
  unit += "[Service]\nType=notify\n";
  unit += "ExecStart=" + QuoteSystemdWord(executable) + " " +
          QuoteSystemdWord(config.ServiceSwitch) + "\n";
  unit += "TimeoutStopSec=" + std::to_string(config.ServiceStopTimeout + StopTimeoutMarginSeconds) +
          "\n";
  if (config.ServiceRestartSeconds > 0) {
    unit += "Restart=on-failure\nRestartSec=" + std::to_string(config.ServiceRestartSeconds) + "\n";
  }
  if (!config.ManualServiceStart) unit += "\n[Install]\nWantedBy=multi-user.target\n";
  return unit;
}
