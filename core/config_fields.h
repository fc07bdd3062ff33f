#pragma once

#include <cstddef>
#include <string>

#include "core/launch_config.h"

/// How a setting is written in corvane-make's configuration file, stored in its entry
/// and read by the launcher.
enum class FieldKind {
  Text,       // a string, stored as it is ("<null>" when empty)
  Message,    // a string holding a printf format with at most one "%s"
  MainClass,  // a Java class name in dotted form, stored scrambled
  HexText,    // a string holding a hexadecimal number
  Flag,       // a boolean, stored as "1" or "0"; set unless the entry starts with '0'
  OptInFlag,  // a boolean stored the same way, but clear when the entry is empty
  Number,     // an integer within [Minimum, Maximum], stored in decimal
  Version,    // a string holding a Java version ("17", "1.8", "21.0.1")
};

/// One setting of the launch configuration: its name (the field of LaunchConfig and
/// the key of corvane-make's file), the string-table entry that holds it, its kind,
/// and the member of LaunchConfigRecord that receives it (Text for the text kinds, Flag
/// for the flags, Number for numbers).
struct ConfigField {
  const char* Name;
  unsigned Entry;
  FieldKind Kind;
  long long Minimum;
  long long Maximum;
  std::string LaunchConfigRecord::*Text;
  bool LaunchConfigRecord::*Flag;
  int LaunchConfigRecord::*Number;
};

/// The longest text an entry holds: the launcher reads entries into 1024 characters.
constexpr std::size_t MaxEntryLength = 1023;

/// The longest main class: the launcher unscrambles into 256 bytes.
constexpr std::size_t MaxMainClassLength = 255;

/// Every setting of the launch configuration, in entry order.
extern const ConfigField ConfigFields[];
extern const std::size_t ConfigFieldCount;

/// The field named `name` (exact case), or null.
const ConfigField* FindConfigField(const char* name);
