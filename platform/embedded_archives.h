#pragma once

#include <cstddef>
#include <string>

/// The name of the RCDATA resource that holds the archive pack of a Windows launcher.
constexpr char ArchivePackResourceName[] = "CORVANE_ARCHIVES";

/// Finds the archive pack that corvane-make put into the running executable and gives
/// it in place, valid for the life of the process: on Windows the resource
/// ArchivePackResourceName as the loader mapped it with the image; elsewhere the block
/// behind the program and before its string table, mapped read-only. False when the
/// executable carries none or it cannot be read.
bool FindEmbeddedArchivePack(const unsigned char** data, std::size_t* size);

/// Makes a new directory in the folder for temporary files (TMPDIR or /tmp, the new
/// directory with mode 0700; on Windows the user's, from GetTempPath), its name
/// beginning with `prefix`. False, with the last error set, when none can be made.
bool MakeTemporaryDirectory(const char* prefix, std::string* path);
