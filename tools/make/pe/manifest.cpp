#include "tools/make/pe/manifest.h"

const char* const ExecutionLevels[3] = {"asInvoker", "highestAvailable", "requireAdministrator"};

namespace {

// The compatibility identifiers of Windows 7, 8, 8.1, and 10 and 11 (one for both).
const char* const SupportedSystems[] = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
};

}  // namespace

std::string BuildManifest(const ManifestSettings& settings) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
      "    <security>\n"
      "      <requestedPrivileges>\n"
      "        <requestedExecutionLevel level=\"" +
      settings.ExecutionLevel +
      "\" uiAccess=\"false\"/>\n"
      "      </requestedPrivileges>\n"
      "    </security>\n"
      "  </trustInfo>\n"
      "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
      "    <application>\n";
  for (const char* id : SupportedSystems) {
    xml += "      <supportedOS Id=\"" + std::string(id) + "\"/>\n";
  }
  xml +=
      "    </application>\n"
      "  </compatibility>\n";
  // Every launcher declares itself aware of long paths: where the system allows them,
  // it may then enter an install folder whose path passes MAX_PATH, which no "\\?\"
  // form reaches.
  xml +=
      "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
      "    <windowsSettings>\n"
      "      <longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
      "true</longPathAware>\n";
  if (settings.DpiAware) {
    xml +=
        "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
        "true</dpiAware>\n";
  }
  if (settings.Utf8) {
    xml +=
        "      <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
        "WindowsSettings\">UTF-8</activeCodePage>\n";
  }
  xml +=
      "    </windowsSettings>\n"
      "  </application>\n";
  return xml + "</assembly>\n";
}

void SetManifest(ResourceTree* tree, const std::string& manifest) {
  tree->erase(ResourceKey(ResourceTypeManifest));
  (*tree)[ResourceKey(ResourceTypeManifest)][ResourceKey(1)][ManifestLanguage] =
      ResourceData{manifest, 0};
}
