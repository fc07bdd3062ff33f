#pragma once

#include <cstddef>

/// How a configuration key is written in the file and stored in its entry.
enum class FieldKind {
  Text,       // a string, stored as it is ("<null>" when empty)
  Message,    // a string holding a printf format with at most one "%s"
  MainClass,  // a Java class name in dotted form, stored scrambled
  HexText,    // a string holding a hexadecimal number
  Flag,       // a boolean, stored as "1" or "0"
  Number,     // an integer within [Minimum, Maximum], stored in decimal
};

/// One key of the configuration file: the name of the launch configuration field,
/// the string-table entry it fills and its kind.
struct ConfigField {
  const char* Name;
  unsigned Entry;
  FieldKind Kind;
  long long Minimum;
  long long Maximum;
};

/// The longest text an entry holds: the launcher reads entries into 1024 characters.
constexpr std::size_t MaxEntryLength = 1023;

/// The longest main class: the launcher unscrambles into 256 bytes.
constexpr std::size_t MaxMainClassLength = 255;

/// Every field of the launch configuration, in entry order.
extern const ConfigField ConfigFields[];
extern const std::size_t ConfigFieldCount;

/// The field named `name` (exact case), or null.
const ConfigField* FindConfigField(const char* name);
