#pragma once

#include <string>
#include <vector>

/// What an MSI installs and registers, for the WiX source that builds it.
struct MsiSource {
  std::string Name;          // the product's name: Programs and Features, the shortcuts
  std::string Manufacturer;  // its publisher
  std::string Version;       // three numbers
  std::string UpgradeCode;   // the same for every version of the product
  std::string Description;   // one line
  std::string Contact;       // Programs and Features' contact; may be empty
  std::string Homepage;      // and its web page; may be empty
  bool Win64 = true;         // an x64 package, installed below the 64-bit Program Files
  bool PerUser = false;      // below the user's LocalAppData\Programs, without elevation
  std::string Folder;        // the install folder's name
  std::string Source;        // the folder of the files, relative to the source's folder
  /// What the install folder holds, relative to it with '/' between names, each folder
  /// before what it holds (as ListTree gives it); names in Folders are folders.
  std::vector<std::string> Entries;
  std::vector<std::string> Folders;
  std::string Launcher;  // the launcher's name among the entries
  std::string Icon;      // the product's icon file relative to the source's folder; or empty
  bool StartMenu = true;
  bool Desktop = false;
  bool Service = false;  // the launcher installed as the service ServiceName
  std::string ServiceName;
  std::string ServiceDescription;
  std::string ServiceSwitch;
  bool ManualStart = false;
};

/// The WiX source (version 3 schema, as wixl and WiX 3 read it; WiX 4 converts it) of
/// the MSI `source` describes: every file in a component of its own whose GUID follows
/// from the upgrade code and the file's place; the launcher's shortcuts; upgrades that
/// replace every installed version up to this one and refuse a newer one; with
/// `Service`, the service installed and controlled by the MSI's tables, its event source
/// in the registry, and the launcher's own ServiceSettingsSwitch run before the service
/// starts. Texts are UTF-8 and must fit code page 1252 (FitsCodePage1252).
std::string MsiSourceText(const MsiSource& source);

/// Whether every letter of the UTF-8 text `text` is one of Windows code page 1252, the
/// code page of the MSI.
bool FitsCodePage1252(const std::string& text);
