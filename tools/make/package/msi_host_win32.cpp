#include "tools/make/package/msi_host.h"

// The WiX Toolset: wix.exe from version 4 on, candle.exe and light.exe before.
const MsiBuilder MsiBuilders[] = {{"wix", MsiBuilderKind::Wix},
                                  {"candle", MsiBuilderKind::CandleLight},
                                  {nullptr, MsiBuilderKind::Wixl}};

const char* const MsiBuilderInstallHint =
    "neither wix.exe (the WiX Toolset 4 or later) nor candle.exe and light.exe (the WiX "
    "Toolset 3) is on PATH: install the WiX Toolset (https://wixtoolset.org/) and put the "
    "folder of its programs on PATH, or name wixl.exe (msitools) with wixl = \"PATH\" in "
    "[installer]";
