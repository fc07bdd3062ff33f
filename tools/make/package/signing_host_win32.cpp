#include "tools/make/package/signing_host.h"

// osslsigncode first: it reads the certificate's password from a file, where signtool
// takes it only on its command line.
const SigningProgram SigningPrograms[] = {
    {"osslsigncode", false}, {"signtool", true}, {nullptr, false}};

const char* const SigningInstallHint =
    "neither signtool.exe nor osslsigncode.exe is on PATH: install the Windows SDK's "
    "signtool (the Windows SDK with its \"Signing Tools for Desktop Apps\") and put the "
    "folder of signtool.exe on PATH, or name osslsigncode.exe with osslsigncode = \"PATH\" in "
    "[sign]";

const char* const SystemCaBundle = "";
