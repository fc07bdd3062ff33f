#pragma once

#include <string>

#include "tools/make/sign_settings.h"

/// Checks, before anything is made, that `sign` can sign the files of `target`: a
/// Windows target, a certificate file, its password in the variable password-env names,
/// and a signing program (osslsigncode; on Windows also signtool). False with `error`
/// saying what is missing and what to do.
bool CheckSigning(const SignSettings& sign, const std::string& target, std::string* error);

/// Signs the Windows executable or installer at `path` (SHA-256, with a timestamp from
/// the first of the timestamp servers that answers) and verifies the signature against
/// the certificate's chain before it counts. The signed file is made beside `path` and
/// replaces it only once verified; the password reaches the signing program through a
/// file only the user can read, removed afterwards. On failure `path` is left unsigned:
/// call this on a file made under a temporary name and move it into place afterwards.
/// `notice` receives remarks (a signature without a timestamp).
bool SignFile(const SignSettings& sign, const std::string& path, std::string* error,
              std::string* notice);
