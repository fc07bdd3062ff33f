#include "platform/text_locale.h"

#include <locale.h>

#include <cstdlib>
#include <cstring>

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

bool NamesTheCLocale(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && (std::strcmp(value, "C") == 0 || std::strcmp(value, "POSIX") == 0);
}

bool LocaleExists(const char* name) {
  locale_t locale = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  freelocale(locale);
  return true;
}

}  // namespace

std::string PreferUtf8Locale() {
  // As the environment chooses it: LC_ALL over LC_CTYPE over LANG, the first that is set.
  if (IsSet("LC_ALL")) return std::string();
  const char* chooser = IsSet("LC_CTYPE") ? "LC_CTYPE" : IsSet("LANG") ? "LANG" : nullptr;
  if (chooser != nullptr && !NamesTheCLocale(chooser)) return std::string();
  for (const char* name : {"C.UTF-8", "C.utf8"}) {
    if (LocaleExists(name) && setenv("LC_CTYPE", name, 1) == 0) return name;
  }
  return std::string();
}
