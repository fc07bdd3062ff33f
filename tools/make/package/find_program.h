#pragma once

#include <string>

/// The program `name` (without ".exe") in the first folder of PATH that holds it as a
/// file, with this platform's program ending; empty when no folder does.
std::string FindProgramOnPath(const std::string& name);
