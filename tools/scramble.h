#pragma once

#include <string>

/// The stored form of a main-class name: each byte XOR-ed with the launcher's key
/// and written as two upper-case hexadecimal digits. UnscrambleText gives the name
/// back for names of up to 255 characters. Byte 16 of every 17 is left as it is.
std::string ScrambleText(const std::string& className);
