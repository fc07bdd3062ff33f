#pragma once

/// The machine an executable's code is for, as its PE or ELF header names it.
enum class ExecutableMachine { Unknown, I386, X86_64, Arm64, Other };

/// The machine of the launcher's own code: a runtime library for any other machine
/// cannot be loaded into this process.
extern const ExecutableMachine LauncherMachine;

/// Where a Java home keeps its runtime library, relative to the home, in the order they
/// are tried; the list ends with a null entry.
extern const char* const HomeLibraryPaths[];

/// The file name of the java program that a search of PATH looks for.
extern const char* const JavaProgramName;

/// The directory in which the system keeps its Java homes; empty where there is none.
/// Tests point it elsewhere.
extern const char* SystemJavaHomes;

/// The separator of the entries of PATH.
extern const char PathListSeparator;
