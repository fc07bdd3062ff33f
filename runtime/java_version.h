#pragma once

#include <string>

/// A Java version as numbers, most significant first: "17.0.9+9" is 17, 0, 9, 9. The
/// legacy numbering is folded away, so "1.8.0_392" is held as 8, 0, 392. No numbers at
/// all means the version is unknown.
struct JavaVersion {
  static constexpr int MaxParts = 8;
  int Count = 0;
  unsigned Parts[MaxParts] = {};
};

/// Reads a version text: numbers separated by '.', '_', '+' or '-', taken from the left
/// up to the first element that is not a number ("22-ea" is 22, "21.0.1.12" four
/// numbers). A text that starts "1.N" with N of 2 or more stands for N and what follows
/// it. False, with `version` unknown, when the text does not start with a number.
bool ParseJavaVersion(const char* text, JavaVersion* version);

/// -1, 0 or 1 as `a` is below, equal to or above `b`, number by number, a missing
/// number counting as 0 ("17" equals "17.0.0").
int CompareJavaVersions(const JavaVersion& a, const JavaVersion& b);

/// Whether `version` is at most `bound` when `bound` is taken as a prefix: "17" admits
/// 17.0.9 and not 18, "17.0" admits 17.0.9 and not 17.1.
bool WithinVersionBound(const JavaVersion& version, const JavaVersion& bound);

/// The numbers joined by '.', or "unknown".
std::string FormatJavaVersion(const JavaVersion& version);
