#pragma once

/// The trace: a readable account of one run, appended to the file that the environment
/// variable CORVANE_TRACE names ("-" for the standard error stream), for finding out
/// why a launcher does not start. It never changes what the launcher does: a trace
/// that cannot be written is dropped. While it is off, every call costs one branch.

/// Opens the trace when CORVANE_TRACE is set; call once, first thing in the run,
/// before any other thread starts. Writes the opening line.
void StartTrace();

/// Whether lines are being written; callers test it before work done only for the
/// trace.
bool Tracing();

/// Appends one line: printf-style `format` and its arguments, behind the time since
/// StartTrace. Safe from any thread.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
