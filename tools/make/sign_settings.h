#pragma once

#include <string>
#include <vector>

#include "tools/make/toml.h"

/// What the configuration file's [sign] table asks for: an Authenticode signature on
/// every Windows file corvane-make writes. Paths are resolved against the configuration
/// file's folder; a text is empty when not given.
struct SignSettings {
  bool Present = false;
  std::string Certificate;  // certificate: a PKCS#12 file with the key and its chain
  std::string PasswordEnv;  // password-env: the name of the variable holding its password
  std::vector<std::string> Timestamps;  // timestamp: RFC 3161 servers, tried in order
  std::string Description;              // description: the program's name in the signature
  std::string Url;                      // url: the web page in the signature
  std::string Osslsigncode;             // osslsigncode: the program; default: found on PATH
};

/// Reads the [sign] table of the configuration file `path` over `sign`: each key it
/// sets replaces the earlier value. False with `error` set to
/// "<path>:<line>: sign.<key>: <what is wrong>" on the first fault found. A value that
/// may be a password is never quoted in `error`.
bool ReadSignSettings(const toml::table& table, const std::string& path, SignSettings* sign,
                      std::string* error);

/// The keys of the [sign] table as corvane-make --keys lists them ("sign.certificate").
struct SignKey {
  const char* Name;
  const char* Type;
};
extern const SignKey SignKeys[];
extern const std::size_t SignKeyCount;
