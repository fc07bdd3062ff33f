#include "tools/make/package/signing_host.h"

const SigningProgram SigningPrograms[] = {{"osslsigncode", false}, {nullptr, false}};

const char* const SigningInstallHint =
    "osslsigncode is not installed: install the Debian package osslsigncode (apt-get "
    "install osslsigncode), or name the program with osslsigncode = \"PATH\" in [sign]";

const char* const SystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";
