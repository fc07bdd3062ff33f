#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/make/config_file.h"
#include "tools/make/make_launcher.h"
#include "tools/make/pe/pe_image.h"

/// Whether this run makes a one-file launcher: --one-file, or OneFile = true.
bool WantsOneFile(const MakeOptions& options, const MakeConfig& config);

/// What a one-file launcher carries.
struct OneFileContents {
  std::string Pack;  // the archive pack (one_file/archive_pack.h)
  std::vector<std::pair<std::string, std::uint64_t>> Archives;  // each name and size
};

/// Packs the archives that the configuration names: MainJar, what ClassPath names (a
/// folder with every file below it) and the jars that their manifests name in
/// Class-Path, read from the folder of --input, else of the configuration file. Each
/// keeps its path below that folder, as a bundle lays out its app/ folder, and the
/// ClassPath and MainJar entries of `config` are rewritten to name them so; the
/// launcher takes them from the folder it writes the archives to. An entry with a
/// %VARIABLE% or an absolute path is kept as written (a remark in `notice`).
/// `launcherSize` counts towards MaxArchivePackSize. False with `error` for a
/// missing archive, a name beyond ASCII for a Windows target, or a launcher past the
/// size the format allows, before any archive is read.
bool PackArchives(const MakeOptions& options, std::size_t launcherSize, MakeConfig* config,
                  OneFileContents* contents, std::string* error, std::string* notice);

/// Puts `pack` into a Windows launcher's resources in place of one it carries; an empty
/// `pack` only removes that one.
void SetArchivePack(ResourceTree* tree, const std::string& pack);

/// The bytes before the string table of a Linux launcher, `program`, without a pack it
/// carries, then `pack` with its trailer (nothing when `pack` is empty).
std::string LinuxProgramWithPack(const std::string& program, const std::string& pack);

/// The lines that tell what the one-file launcher at `path` holds and its size.
std::string OneFileSummary(const std::string& path, const OneFileContents& contents);
