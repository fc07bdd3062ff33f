#include "tools/make/package/msi_source.h"

#include <gtest/gtest.h>

#include "tools/make/installer_settings.h"
#include "tools/make/package/name_uuid.h"

TEST(MsiSourceTest, NameBasedUuidsFollowRfc4122) {
  // Python's uuid.uuid5(uuid.NAMESPACE_DNS, "python.org"), and a name beyond one block.
  EXPECT_EQ(NameBasedUuid("6ba7b810-9dad-11d1-80b4-00c04fd430c8", "python.org"),
            "886313E1-3B8A-5372-9B90-0C9AEE199E5D");
  EXPECT_EQ(NameBasedUuid("{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}", std::string(100, 'a')),
            "56596F37-716C-57A9-A735-2561F8608390");
  EXPECT_EQ(NameBasedUuid("not a uuid", "x"), "");
  for (const char* bad :
       {"", "6ba7b810-9dad-11d1-80b4-00c04fd430c", "6ba7b810x9dad-11d1-80b4-00c04fd430c8",
        "{6ba7b810-9dad-11d1-80b4-00c04fd430c8", "6ba7b810-9dad-11d1-80b4-00c04fd430cg"}) {
    EXPECT_FALSE(IsUuidText(bad)) << bad;
  }
}

TEST(MsiSourceTest, VersionsNamesAndLettersTheMsiTakes) {
  for (const char* good : {"1.0.0", "255.255.65535", "0.0.0"})
    EXPECT_TRUE(IsMsiVersion(good)) << good;
  for (const char* bad : {"1.0", "1.0-beta", "1.0.0.0", "256.0.0", "1.0.65536", "1..0", "1.0.0 ",
                          "-1.0.0", "1.0.x"}) {
    EXPECT_FALSE(IsMsiVersion(bad)) << bad;
  }
  for (const char* good : {"Zoë's Tool", "A.B c"}) EXPECT_TRUE(IsWindowsName(good)) << good;
  for (const char* bad : {"", "a/b", "a:b", "tool.", "tool ", "a\tb", "a?b"}) {
    EXPECT_FALSE(IsWindowsName(bad)) << bad;
  }
  EXPECT_TRUE(FitsCodePage1252("Zoë's Tool \xE2\x82\xAC"));  // the euro sign is in 1252
  EXPECT_FALSE(FitsCodePage1252("\xE6\x97\xA5"));            // a CJK letter
  EXPECT_FALSE(FitsCodePage1252("\xC3"));                    // a broken sequence
}

TEST(MsiSourceTest, TextsAreEscapedAndTheServiceIsCompletedBeforeItStarts) {
  MsiSource source;
  source.Name = "Zoë's <Tool> & [Co]";
  source.Manufacturer = "Zoë";
  source.Version = "1.2.3";
  source.UpgradeCode = "6BA7B810-9DAD-11D1-80B4-00C04FD430C8";
  source.Folder = "Tool";
  source.Source = "t.files/bundle";
  source.Entries = {"Tool.exe", "app", "app/a.jar", "empty"};
  source.Folders = {"app", "empty"};
  source.Launcher = "Tool.exe";
  source.Service = true;
  source.ServiceName = "Svc[1]";
  source.ServiceSwitch = "-run";
  const std::string text = MsiSourceText(source);
  EXPECT_NE(text.find("Name=\"Zoë's &lt;Tool&gt; &amp; [Co]\""), std::string::npos);
  // A formatted column shows brackets literally rather than as a property.
  EXPECT_NE(text.find("<ServiceInstall Id=\"Service\" Name=\"Svc[\\[]1[\\]]\""), std::string::npos);
  EXPECT_NE(text.find("Source=\"t.files/bundle/app/a.jar\""), std::string::npos);
  EXPECT_NE(text.find("<CreateFolder/>"), std::string::npos);  // an empty folder stays
  EXPECT_NE(text.find("<RemoveExistingProducts Sequence=\"1450\"/>"), std::string::npos);
  // Between the service's install (5800) and its start (5900).
  EXPECT_NE(text.find("Sequence=\"5850\">NOT REMOVE=\"ALL\""), std::string::npos);
  // The same file in the same place keeps its component GUID in every version.
  source.Version = "1.2.4";
  EXPECT_EQ(MsiSourceText(source).substr(text.find("<Directory Id=\"TARGETDIR\"")),
            text.substr(text.find("<Directory Id=\"TARGETDIR\"")));
}

TEST(MsiSourceTest, KeysOfTheOtherTargetsPackageAreRefusedWithWhereTheyWereSet) {
  InstallerSettings installer;
  installer.Where = {{"section", "app.toml:4"}};
  std::string error;
  EXPECT_TRUE(CheckInstallerKeys(installer, "linux", &error));
  EXPECT_FALSE(CheckInstallerKeys(installer, "win64", &error));
  EXPECT_EQ(error.rfind("app.toml:4: installer.section: a key of the .deb of the linux target", 0),
            0u)
      << error;
  installer.Where = {{"scope", "app.toml:2"}, {"name", "app.toml:3"}};
  EXPECT_TRUE(CheckInstallerKeys(installer, "win32", &error));
  EXPECT_FALSE(CheckInstallerKeys(installer, "linux", &error));
  EXPECT_EQ(error.rfind("app.toml:2: installer.scope: a key of the MSI", 0), 0u) << error;
}
