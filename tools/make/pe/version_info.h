#pragma once

#include <string>

#include "tools/make/config_file.h"
#include "tools/make/pe/pe_image.h"

/// Language of the version resource and of its one string table (040904B0: US
/// English, Unicode).
constexpr std::uint16_t VersionLanguage = 1033;

/// The VS_VERSIONINFO resource: the fixed file information with the file and product
/// version numbers, a StringFileInfo block "040904B0" with the configured strings and
/// a VarFileInfo translation 0409/04B0.
std::string BuildVersionInfo(const VersionSettings& version);

/// Replaces every version resource of `tree` with `resource` (id 1).
void SetVersionInfo(ResourceTree* tree, const std::string& resource);
