#pragma once

#include <map>
#include <string>

/// The process environment as the fake environment seam gives it: a variable that is
/// not in the map is not set.
extern std::map<std::string, std::string> FakeEnvironment;
