#pragma once

#include <string>
#include <vector>

/// The virtual-machine options of an option text, as `java` takes them from its
/// command line: the text split like program arguments (SplitArguments), and each of
/// java's options that takes its value as the next word (--add-opens, --add-exports,
/// --add-reads, --add-modules, --module-path or -p, --upgrade-module-path,
/// --patch-module, --limit-modules, --enable-native-access) joined with that word
/// into the one option the machine reads ("--add-opens=java.base/java.lang=ALL-UNNAMED",
/// "-p" becoming "--module-path="). Such an option at the end, without its word, stays
/// as written.
std::vector<std::string> JavaOptionsFromText(const char* text);

/// Whether `token`, one element of JavaOptionsFromText, can be a virtual-machine
/// option: it starts with '-', or with '%' (a reference whose value is known only
/// when the launcher runs), or is empty (two blanks in a row), which the machine
/// passes over.
bool LooksLikeJavaOption(const std::string& token);
