#pragma once

#include <filesystem>
#include <string>

/// The text of `path` in the form the narrow file functions (fopen, std::ofstream with
/// a std::string) and this program's messages take: the ANSI code page on Windows,
/// where path::string() would give UTF-8; the path's own bytes elsewhere.
std::string PathText(const std::filesystem::path& path);

/// The path that `text` names, where `text` is in the form PathText gives: the inverse
/// of PathText.
std::filesystem::path PathFromText(const std::string& text);
