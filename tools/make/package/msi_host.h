#pragma once

/// What builds an MSI on the machine corvane-make runs on. One file per system, chosen
/// by the build.

/// How a program turns the WiX source into an MSI.
enum class MsiBuilderKind {
  Wixl,         // wixl -a ARCH -o FILE.msi FILE.wxs (msitools)
  Wix,          // wix convert FILE.wxs, then wix build -arch ARCH -o FILE.msi FILE.wxs (WiX 4+)
  CandleLight,  // candle, then light (WiX 3)
};

/// A program that builds the MSI, looked for on PATH in the order of MsiBuilders.
struct MsiBuilder {
  const char* Name;  // without ".exe"
  MsiBuilderKind Kind;
};

/// The programs to look for when [installer] names no wixl; the list ends with a null
/// Name.
extern const MsiBuilder MsiBuilders[];

/// What to install when none is there: the error that names the missing tools.
extern const char* const MsiBuilderInstallHint;
