#pragma once

#include <string>
#include <vector>

/// The line that stands above the runtimes passed over in the no-runtime report.
constexpr const char* RejectedRuntimesHint =
    "Java was found but passed over; CORVANE_TRACE=<file> shows why.";

/// At most this many runtimes passed over are named, one a line; a last line counts the
/// rest.
constexpr std::size_t PassedOverLinesShown = 10;

/// Reports that no Java runtime was found: MsgNoRuntime with `argument`, as an error,
/// followed, each on a line of its own, by the range of versions needed when
/// RuntimeMinVersion or RuntimeMaxVersion bound it ("Java needed: 11 to 17."; left out
/// when MsgNoRuntime has named the least as `argument` and no greatest is set), then by
/// RejectedRuntimesHint and one line for each of `passedOver` (PassedOverRuntimes).
/// With RuntimeDownloadUrl set, the way of running decides what else happens: a window
/// run asks Yes or No with MsgOpenDownloadPage (DefaultOpenDownloadPage when empty; its
/// "%s" is the address) after the text, and Yes opens the address with the shell; a
/// console run ends the report with the address on a line of its own; a service run
/// writes the report alone.
void ReportNoRuntime(const char* argument, const std::vector<std::string>& passedOver = {});

/// The line that names the versions RuntimeMinVersion and RuntimeMaxVersion admit
/// ("Java needed: 21 or later.", "Java needed: 17 or earlier.", "Java needed: 11 to
/// 17."); empty when neither bounds them.
std::string NeededVersionLine();
