#pragma once

#include <string>
#include <vector>

#include "runtime/java_version.h"

/// Whether a runtime of `version` gets a start-up archive: Java 11 and later, which
/// record class lists and make static archives from them. Not an unknown version.
bool VersionMakesArchives(const JavaVersion& version);

/// The name of the application's cache directory: the main class in dotted form
/// (other characters than letters, digits, '.', '_', '-' and '$' made '_', at most 96
/// of them), a '-' and the eight hexadecimal digits of a hash of `executable`.
std::string ArchiveDirectoryName(const std::string& mainClass, const std::string& executable);

/// Whether the configured options decide about class-data sharing themselves (-Xshare,
/// an archive or an AOT cache of their own, a class list): the launcher then adds
/// nothing.
bool OptionsChooseSharing(const std::vector<std::string>& options);

/// An option text split as HotSpot splits JAVA_TOOL_OPTIONS, _JAVA_OPTIONS and the
/// file of -XX:VMOptionsFile: white space separates, and a stretch in single or double
/// quotes is kept whole, without its quotes. Null counts as empty.
std::vector<std::string> SplitToolOptions(const char* text);

/// Whether the options load an agent (-javaagent, -agentlib, -agentpath). Java 24 and
/// later do not use an archive whose classes are linked ahead of time then.
bool OptionsLoadAgents(const std::vector<std::string>& options);

/// The options that decide how an archive is laid out or whether the runtime can map
/// it (compressed pointers, object alignment and headers, the collector, the heap
/// limit, the boot class path and the module options), in their order: the process
/// that makes the archive and the one that checks it take them over.
std::vector<std::string> LayoutOptions(const std::vector<std::string>& options);

/// Whether Java 11 to 18 find the application's classes in an archive under the
/// "-Djava.class.path=" option of `options`, its relative entries taken from
/// `currentDirectory`. They look each class up by its entry's file URL and miss every
/// entry whose full path a URL spells otherwise: a blank, a '%', a '=', a letter beyond
/// ASCII.
/// (Java 25 was seen to find them; 17 does not.) A URL keeps the letters, digits and
/// "-_.!~*'()/:@&+$,", a separator, and escapes every other character.
bool ClassPathFoundInArchive(const std::vector<std::string>& options,
                             const std::string& currentDirectory);

/// The key of an archive made by the runtime `library` of `home` under `options` (the
/// effective ones, the class-path option included): the library's resolved path, size
/// and modification time, the same of the home's release file, every option but
/// system properties and agents (a line says whether there are agents), and the size and
/// modification time of each entry of the "-Djava.class.path=" option.
std::string ArchiveKey(const std::string& library, const std::string& home,
                       const std::vector<std::string>& options);

/// Sixteen hexadecimal digits of a hash of `key`: the name of its archive's folder.
std::string KeyDigest(const std::string& key);

/// The files that a runtime making an archive under -Xlog:class+path=info said it
/// opened or looked for on the class path (the jars that manifests name included),
/// each once, in order, a relative one joined to `directory`.
std::vector<std::string> ClassPathFilesInLog(const std::string& log, const std::string& directory);

/// Lines of the key that stamp `paths`: each path with its size and modification
/// time, or "missing".
std::string StampLines(const std::vector<std::string>& paths);

/// The line of the key that stamps `path` with the size and modification time of
/// the file `readFrom` (the same file before a rename).
std::string StampLine(const std::string& path, const std::string& readFrom);

/// Whether the key `stored` beside an archive begins with `key` and every file that
/// its further lines stamp still has that stamp.
bool StoredKeyMatches(const std::string& stored, const std::string& key);

/// What the ".failed" file of a key holds: `reason`, why the runtime refused the
/// archive, and, when a run found the refusal (`runOptions` not empty: every option of
/// that run, system properties and agents included, which the key leaves out), a line
/// with a digest of those options.
std::string FailureText(const std::string& reason, const std::vector<std::string>& runOptions);

/// Whether the failure `text` that FailureText wrote holds for a run under `options`:
/// always when the making found it, when a run did only for the same options.
/// `*reason` receives its reason.
bool FailureHolds(const std::string& text, const std::vector<std::string>& options,
                  std::string* reason);

/// The line of a runtime's output that says why it failed: the last one that is not
/// blank and not a log line ("[0.012s][info]..."). Empty when there is none.
std::string FailureLine(const std::string& output);
