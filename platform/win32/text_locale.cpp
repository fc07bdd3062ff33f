#include "platform/text_locale.h"

// The runtime takes its encodings from the process's code page, not from a locale of
// the environment.
std::string PreferUtf8Locale() { return std::string(); }
