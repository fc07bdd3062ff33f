#include "tools/make/package/msi_host.h"

const MsiBuilder MsiBuilders[] = {{"wixl", MsiBuilderKind::Wixl}, {nullptr, MsiBuilderKind::Wixl}};

const char* const MsiBuilderInstallHint =
    "wixl is not installed: install the Debian package wixl (apt-get install wixl), or name "
    "the program with wixl = \"PATH\" in [installer]";
