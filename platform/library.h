#pragma once

#include <string>

/// Handle of a loaded library; null when loading failed.
using LibraryHandle = void*;

/// Loads the Java runtime library at `path`, however long (relative paths resolve
/// against the current directory, so the file loaded is the one that was tested). Libraries it
/// needs are found in its own directory and in the directory above it, where a
/// runtime keeps them (bin\ above bin\client\jvm.dll). Null on failure, with the
/// system error set.
LibraryHandle LoadRuntimeLibrary(const char* path);

/// The system's reason why the last LoadRuntimeLibrary of this thread failed, for the
/// library at `path` (the system's error text, an insert such as "%1" filled with the
/// path; dlerror() on Linux), without a trailing line break; empty when it has none.
std::string LibraryLoadFailure(const char* path);

/// The address of the exported `name`, or null.
void* FindLibraryEntry(LibraryHandle library, const char* name);

/// Unloads a library from LoadRuntimeLibrary.
void FreeRuntimeLibrary(LibraryHandle library);
