#pragma once

#include <string>
#include <vector>

/// What the making of an archive needs to know of the application's run. The run
/// writes it into the cache before its runtime starts; the process that makes the
/// archive, and the two it starts to dump and to check it, read it.
struct ArchiveRequest {
  std::string Library;               // the runtime library
  int Feature = 0;                   // the runtime's Java feature version
  bool AheadOfTimeLinking = false;   // Java 24 and later without agents
  std::string Directory;             // the current directory of the application's runtime
  unsigned long Parent = 0;          // the application's process
  std::string List;                  // the class list that its runtime records
  std::string Folder;                // where the archive goes, with its key
  std::vector<std::string> Options;  // the class-path option and the layout options
  std::string Key;                   // the key without the stamps of the files opened
};

/// Writes `request` to `path`. False when it cannot be written whole.
bool WriteArchiveRequest(const std::string& path, const ArchiveRequest& request);

/// Reads a request that WriteArchiveRequest wrote. False when it cannot be read or
/// lacks a part.
bool ReadArchiveRequest(const std::string& path, ArchiveRequest* request);

/// The whole content of the file `path`. False when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* text);

/// Creates or empties the file `path` and writes `text` into it. False on any failure.
bool WriteWholeFile(const std::string& path, const std::string& text);

/// The system's text for the calling thread's last error, on one line ("error <code>"
/// when the system has none).
std::string LastErrorText();

/// The archive and the key inside an archive's folder.
std::string ArchiveFileIn(const std::string& folder);
std::string KeyFileIn(const std::string& folder);

/// The hidden switch with which the launcher starts itself to make a start-up
/// archive: "<switch> make <request>" makes it (detached, after the application's
/// run), "<switch> dump <request> <folder>" and "<switch> check <request> <folder>"
/// are the two runtimes that the making starts in turn.
extern const char StartupArchiveSwitch[];

/// The command line that makes the archive of the request file `request`.
std::vector<std::string> MakerCommandLine(const std::string& executable,
                                          const std::string& request);
