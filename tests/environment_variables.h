#pragma once

#include <cstdlib>
#include <string>

// Sets and removes variables of the real process environment in tests.
#ifdef _WIN32
inline void SetVariable(const std::string& name, const std::string& value) {
  _putenv((name + "=" + value).c_str());
}
inline void UnsetVariable(const std::string& name) { _putenv((name + "=").c_str()); }
#else
inline void SetVariable(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}
inline void UnsetVariable(const std::string& name) { unsetenv(name.c_str()); }
#endif
