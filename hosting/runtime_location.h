#pragma once

/// Size of RegistryJavaHome, terminator included.
constexpr int RegistryJavaHomeSize = 260;

/// The Java home of the last registered runtime version that passed the version
/// test; empty while the registry search has not run or no version passed.
extern char RegistryJavaHome[RegistryJavaHomeSize];
