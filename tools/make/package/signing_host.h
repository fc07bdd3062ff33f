#pragma once

/// What signs a file on the machine corvane-make runs on. One file per system,
/// chosen by the build.

/// A program that signs, looked for on PATH in the order of SigningPrograms.
struct SigningProgram {
  const char* Name;  // without ".exe"
  bool Signtool;     // the Windows SDK's signtool rather than osslsigncode
};

/// The programs to look for when [sign] names none; the list ends with a null Name.
extern const SigningProgram SigningPrograms[];

/// What to install when none is there: ends the error that names the missing tools.
extern const char* const SigningInstallHint;

/// The file of the system's trusted root certificates, which a chain that the
/// certificate file does not end with a root may lead to; empty where there is none.
extern const char* const SystemCaBundle;
