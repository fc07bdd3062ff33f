#pragma once

#include <string>
#include <vector>

/// Reads META-INF/MANIFEST.MF from the jar (zip file) at `path`, stored or deflated,
/// without reading the rest of the jar. True with `manifest` empty when the jar has
/// none; false with `error` saying why when the file is no zip this reader knows.
bool ReadJarManifest(const std::string& path, std::string* manifest, std::string* error);

/// The value of the main section's `name` (matched without regard to case) in the
/// manifest text, its continuation lines joined; empty when absent.
std::string ManifestAttribute(const std::string& manifest, const std::string& name);

/// The entries of a Class-Path value that are paths relative to the jar, as Java
/// resolves them against the jar's folder: split at blanks, %XX decoded. Entries with a
/// scheme ("file:", "http:") or an absolute path are left out; a folder keeps its
/// trailing '/'.
std::vector<std::string> RelativeClassPath(const std::string& value);
