// The WiX source of an MSI: written here, built by wixl (or WiX on Windows).
#include "tools/make/package/msi_source.h"

#include <algorithm>
#include <map>

#include "service/service.h"
#include "tools/make/package/name_uuid.h"

namespace {

// The letters of code page 1252 beyond Latin-1 (0x80 to 0x9F), as Unicode code points.
constexpr unsigned ExtraLetters[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                     0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                     0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};

// XML attribute text.
std::string Xml(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A literal text in a column that Windows Installer formats: its brackets and braces
// would otherwise name properties and files.
std::string Literal(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '[' || c == ']' || c == '{' || c == '}') {
      out += std::string("[\\") + c + "]";
    } else {
      out += c;
    }
  }
  return Xml(out);
}

// The folders of the install folder as a tree, each with the files it holds.
struct Folder {
  std::map<std::string, Folder> Folders;
  std::vector<std::string> Files;  // paths relative to the install folder
};

std::string Attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

struct Writer {
  explicit Writer(const MsiSource& source) : Source(source) {}

  const MsiSource& Source;
  std::string Text;
  int Directories = 0;
  int Components = 0;
  std::vector<std::string> ComponentIds;

  // A component's GUID: the same for the same file of the same product, installed in the
  // same place, in every version.
  std::string Guid(const std::string& path) const {
    return NameBasedUuid(Source.UpgradeCode, std::string(Source.Win64 ? "x64" : "x86") +
                                                 (Source.PerUser ? "/user/" : "/machine/") + path);
  }

  std::string OpenComponent(const std::string& id, const std::string& path) {
    ComponentIds.push_back(id);
    return "<Component" + Attribute("Id", id) + Attribute("Guid", Guid(path)) +
           (Source.Win64 ? " Win64=\"yes\"" : "") + ">";
  }

  void Line(int depth, const std::string& text) {
    Text += std::string(depth * 2, ' ') + text + "\n";
  }

  void LauncherComponent(int depth) {
    const std::string& s = Source.Launcher;
    Line(depth, OpenComponent("LauncherComponent", s));
    Line(depth + 1, "<File Id=\"Launcher\"" + Attribute("Name", Xml(s)) +
                        Attribute("Source", Xml(Source.Source + "/" + s)) + " KeyPath=\"yes\"/>");
    const struct {
      bool Wanted;
      const char* Id;
      const char* Directory;
    } shortcuts[] = {{Source.StartMenu, "StartMenuShortcut", "ProgramMenuFolder"},
                     {Source.Desktop, "DesktopShortcut", "DesktopFolder"}};
    for (const auto& shortcut : shortcuts) {
      if (!shortcut.Wanted) continue;
      Line(depth + 1, std::string("<Shortcut") + Attribute("Id", shortcut.Id) +
                          Attribute("Directory", shortcut.Directory) +
                          Attribute("Name", Xml(Source.Name)) +
                          Attribute("Description", Xml(Source.Description)) +
                          " Target=\"[#Launcher]\" WorkingDirectory=\"INSTALLDIR\"/>");
    }
    if (Source.Service) ServiceElements(depth + 1);
    Line(depth, "</Component>");
  }

  // The service as the launcher's install switch makes it: its name as display name, the
  // quoted path with the service switch, LocalSystem, an error control of "normal".
  void ServiceElements(int depth) {
    const std::string name = Literal(Source.ServiceName);
    Line(depth, "<ServiceInstall Id=\"Service\"" + Attribute("Name", name) +
                    Attribute("DisplayName", name) +
                    (Source.ServiceDescription.empty()
                         ? std::string()
                         : Attribute("Description", Literal(Source.ServiceDescription))) +
                    " Type=\"ownProcess\"" +
                    Attribute("Start", Source.ManualStart ? "demand" : "auto") +
                    " ErrorControl=\"normal\"" +
                    Attribute("Arguments", Literal(Source.ServiceSwitch)) + " Vital=\"yes\"/>");
    Line(depth, "<ServiceControl Id=\"ServiceControl\"" + Attribute("Name", name) +
                    (Source.ManualStart ? "" : " Start=\"install\"") +
                    " Stop=\"both\" Remove=\"uninstall\" Wait=\"yes\"/>");
    // The event source, removed with the MSI; wixl writes REG_SZ where -install writes
    // REG_EXPAND_SZ, which the launcher's settings action writes again.
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name;
    Line(depth, "<RegistryValue Root=\"HKLM\"" + Attribute("Key", key) +
                    " Name=\"EventMessageFile\" Type=\"expandable\" Value=\"[#Launcher]\"/>");
    Line(depth, "<RegistryValue Root=\"HKLM\"" + Attribute("Key", key) +
                    " Name=\"TypesSupported\" Type=\"integer\" Value=\"7\"/>");
  }

  void Contents(const Folder& folder, const std::string& path, int depth) {
    for (const std::string& file : folder.Files) {
      if (file == Source.Launcher) {
        LauncherComponent(depth);
        continue;
      }
      const std::string number = std::to_string(++Components);
      const std::string name = file.substr(file.rfind('/') + 1);
      Line(depth, OpenComponent("C" + number, file));
      Line(depth + 1, "<File" + Attribute("Id", "F" + number) + Attribute("Name", Xml(name)) +
                          Attribute("Source", Xml(Source.Source + "/" + file)) +
                          " KeyPath=\"yes\"/>");
      Line(depth, "</Component>");
    }
    if (folder.Files.empty() && folder.Folders.empty() && !path.empty()) {
      Line(depth, OpenComponent("C" + std::to_string(++Components), path + "/") +
                      "<CreateFolder/></Component>");
    }
    for (const auto& [name, below] : folder.Folders) {
      const std::string inner = path.empty() ? name : path + "/" + name;
      Line(depth, "<Directory" + Attribute("Id", "D" + std::to_string(++Directories)) +
                      Attribute("Name", Xml(name)) + ">");
      Contents(below, inner, depth + 1);
      Line(depth, "</Directory>");
    }
  }
};

// Decodes the UTF-8 letter at `at`, moving past it; 0xFFFFFFFF for a broken one.
unsigned NextLetter(const std::string& text, std::size_t* at) {
  const unsigned char first = static_cast<unsigned char>(text[(*at)++]);
  if (first < 0x80) return first;
  const int more = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : -1;
  if (more < 0 || *at + more > text.size()) return 0xFFFFFFFF;
  unsigned letter = first & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[(*at)++]);
    if ((next & 0xC0) != 0x80) return 0xFFFFFFFF;
    letter = (letter << 6) | (next & 0x3F);
  }
  return letter;
}

}  // namespace

bool FitsCodePage1252(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const unsigned letter = NextLetter(text, &at);
    if (letter < 0x80 || (letter >= 0xA0 && letter <= 0xFF)) continue;
    if (std::find(std::begin(ExtraLetters), std::end(ExtraLetters), letter) ==
        std::end(ExtraLetters)) {
      return false;
    }
  }
  return true;
}

std::string MsiSourceText(const MsiSource& source) {
  Folder root;
  for (const std::string& entry : source.Entries) {
    Folder* folder = &root;
    for (std::size_t at = 0, slash; (slash = entry.find('/', at)) != std::string::npos;
         at = slash + 1) {
      folder = &folder->Folders[entry.substr(at, slash - at)];
    }
    const std::string name = entry.substr(entry.rfind('/') + 1);
    if (std::find(source.Folders.begin(), source.Folders.end(), entry) != source.Folders.end()) {
      folder->Folders[name];
    } else {
      folder->Files.push_back(entry);
    }
  }

  Writer w(source);
  const std::string name = Xml(source.Name);
  const std::string manufacturer = Xml(source.Manufacturer);
  const std::string upgrade = source.UpgradeCode;
  w.Line(0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  w.Line(0, "<!-- Made by corvane-make: wixl -a " + std::string(source.Win64 ? "x64" : "x86") +
                " builds it in this folder. -->");
  w.Line(0, "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">");
  w.Line(1, "<Product Id=\"*\"" + Attribute("Name", name) + " Language=\"1033\" Codepage=\"1252\"" +
                Attribute("Version", source.Version) + Attribute("Manufacturer", manufacturer) +
                Attribute("UpgradeCode", upgrade) + ">");
  w.Line(2, "<Package InstallerVersion=\"500\" Compressed=\"yes\"" +
                Attribute("InstallScope", source.PerUser ? "perUser" : "perMachine") +
                Attribute("Description", name + " " + source.Version) +
                Attribute("Comments", Xml(source.Description)) +
                Attribute("Manufacturer", manufacturer) + " SummaryCodepage=\"1252\"/>");
  w.Line(2, "<Media Id=\"1\" Cabinet=\"product.cab\" EmbedCab=\"yes\"/>");
  if (!source.Icon.empty()) {
    w.Line(2, "<Icon Id=\"ProductIcon.ico\"" + Attribute("SourceFile", Xml(source.Icon)) + "/>");
    w.Line(2, "<Property Id=\"ARPPRODUCTICON\" Value=\"ProductIcon.ico\"/>");
  }
  w.Line(2, "<Property Id=\"ARPNOMODIFY\" Value=\"1\"/>");
  w.Line(2, "<Property Id=\"ARPCOMMENTS\"" + Attribute("Value", Xml(source.Description)) + "/>");
  if (!source.Contact.empty()) {
    w.Line(2, "<Property Id=\"ARPCONTACT\"" + Attribute("Value", Xml(source.Contact)) + "/>");
  }
  if (!source.Homepage.empty()) {
    w.Line(2, "<Property Id=\"ARPURLINFOABOUT\"" + Attribute("Value", Xml(source.Homepage)) + "/>");
  }
  // Every installed version up to this one, this one built again included, is removed
  // before this one is installed; a newer one stops the installation.
  w.Line(2, "<Upgrade" + Attribute("Id", upgrade) + ">");
  w.Line(3, "<UpgradeVersion Minimum=\"0.0.0\" IncludeMinimum=\"yes\"" +
                Attribute("Maximum", source.Version) +
                " IncludeMaximum=\"yes\" Property=\"CORVANE_REPLACED\"/>");
  w.Line(3, "<UpgradeVersion" + Attribute("Minimum", source.Version) +
                " IncludeMinimum=\"no\" OnlyDetect=\"yes\" Property=\"CORVANE_NEWER\"/>");
  w.Line(2, "</Upgrade>");
  w.Line(2,
         "<Condition Message=\"A newer version of [ProductName] is installed: remove it "
         "first to install version [ProductVersion].\">Installed OR NOT CORVANE_NEWER"
         "</Condition>");

  w.Line(2, "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">");
  const std::string folder = Xml(source.Folder);
  if (source.PerUser) {
    w.Line(3, "<Directory Id=\"LocalAppDataFolder\">");
    w.Line(4, "<Directory Id=\"UserProgramsFolder\" Name=\"Programs\">");
  } else {
    w.Line(3, std::string("<Directory Id=\"") +
                  (source.Win64 ? "ProgramFiles64Folder" : "ProgramFilesFolder") + "\">");
  }
  const int depth = source.PerUser ? 5 : 4;
  w.Line(depth, "<Directory Id=\"INSTALLDIR\"" + Attribute("Name", folder) + ">");
  w.Contents(root, "", depth + 1);
  w.Line(depth, "</Directory>");
  if (source.PerUser) w.Line(4, "</Directory>");
  w.Line(3, "</Directory>");
  if (source.StartMenu) w.Line(3, "<Directory Id=\"ProgramMenuFolder\"/>");
  if (source.Desktop) w.Line(3, "<Directory Id=\"DesktopFolder\"/>");
  w.Line(2, "</Directory>");

  w.Line(2, "<Feature Id=\"Complete\" Level=\"1\">");
  for (const std::string& id : w.ComponentIds)
    w.Line(3, "<ComponentRef" + Attribute("Id", id) + "/>");
  w.Line(2, "</Feature>");
  if (source.Service) {
    // After the service is made and before it starts, the launcher gives it what its
    // install switch gives a service beyond these tables.
    w.Line(2, "<CustomAction Id=\"CorvaneServiceSettings\" FileKey=\"Launcher\"" +
                  Attribute("ExeCommand", ServiceSettingsSwitch) +
                  " Execute=\"deferred\" Impersonate=\"no\" Return=\"check\"/>");
  }
  // Programs and Features shows where it went, wherever INSTALLDIR put it.
  w.Line(2,
         "<CustomAction Id=\"CorvaneInstallLocation\" Property=\"ARPINSTALLLOCATION\" "
         "Value=\"[INSTALLDIR]\"/>");
  // Explicit places in the sequence (wixl's own can land elsewhere): the location once
  // the folders are resolved (CostFinalize, 1000), the old version removed before
  // anything is installed.
  w.Line(2, "<InstallExecuteSequence>");
  w.Line(3, "<Custom Action=\"CorvaneInstallLocation\" Sequence=\"1001\"/>");
  w.Line(3, "<RemoveExistingProducts Sequence=\"1450\"/>");
  if (source.Service) {
    w.Line(
        3,
        "<Custom Action=\"CorvaneServiceSettings\" Sequence=\"5850\">NOT REMOVE=\"ALL\"</Custom>");
  }
  w.Line(2, "</InstallExecuteSequence>");
  w.Line(1, "</Product>");
  w.Line(0, "</Wix>");
  return w.Text;
}
