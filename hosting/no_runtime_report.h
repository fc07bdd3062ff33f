#pragma once

/// The line that ends the no-runtime report when runtimes were found and passed over.
constexpr const char* RejectedRuntimesHint =
    "Java was found but passed over; CORVANE_TRACE=<file> shows why.";

/// Reports that no Java runtime was found: MsgNoRuntime with `argument`, as an error,
/// followed by RejectedRuntimesHint on a line of its own when `candidatesRejected`.
/// With RuntimeDownloadUrl set, the way of running decides what else happens: a
/// window run asks Yes or No with MsgOpenDownloadPage (DefaultOpenDownloadPage when
/// empty; its "%s" is the address) after the text, and Yes opens the address with the
/// shell; a console run writes the address on a line of its own after the error; a
/// service run writes the error alone.
void ReportNoRuntime(const char* argument, bool candidatesRejected = false);
