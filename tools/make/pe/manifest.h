#pragma once

#include <string>

#include "tools/make/pe/pe_image.h"

/// What a Windows launcher's application manifest declares.
struct ManifestSettings {
  /// requestedExecutionLevel: one of ExecutionLevels.
  std::string ExecutionLevel = "asInvoker";
  /// dpiAware true: Windows no longer scales the process's windows as bitmaps.
  bool DpiAware = false;
  /// activeCodePage UTF-8: the process code page becomes UTF-8 (Windows 10 version
  /// 1903 and later).
  bool Utf8 = false;
};

/// The execution levels a manifest can request, the first being the default.
extern const char* const ExecutionLevels[3];

/// The manifest as UTF-8 XML: the execution level (without access to other users'
/// interfaces), every Windows version from 7 to 11 as supported, and dpiAware and
/// activeCodePage only when asked for.
std::string BuildManifest(const ManifestSettings& settings);

/// Language of the manifest resource: neutral, as the generic launcher's.
constexpr std::uint16_t ManifestLanguage = 0;

/// Replaces every manifest of `tree` with `manifest` as RT_MANIFEST 1, the one
/// Windows reads when it creates the process.
void SetManifest(ResourceTree* tree, const std::string& manifest);
