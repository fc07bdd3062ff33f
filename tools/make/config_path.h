#pragma once

#include <string>

/// The file that `text`, a path in a configuration file (UTF-8, relative to the file's
/// folder or absolute), names, in the form the narrow file functions and messages take
/// (PathText's). `configPath` is the configuration file's path in that same form, as
/// the command line gave it.
std::string ConfigRelativePath(const std::string& configPath, const std::string& text);
