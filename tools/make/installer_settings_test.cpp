#include "tools/make/installer_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tools/make/config_file.h"

TEST(InstallerSettingsTest, FaultsNameFileLineAndKey) {
  const struct {
    const char* Text;
    const char* Error;
  } rows[] = {
      {"installer = 3\n", "app.toml:1: installer: must be a table"},
      {"[installer]\ncolour = \"red\"\n", "app.toml:2: installer.colour: unknown key"},
      {"[installer]\n\nservice = \"yes\"\n",
       "app.toml:3: installer.service: must be a boolean (true or false)"},
      {"[installer]\nversion = \"v1.4\"\n",
       "app.toml:2: installer.version: \"v1.4\" is not a version such as \"1.4\" or \"2.0.1\" (a "
       "digit first, then digits, letters, '.', '+' or '~')"},
      {"[installer]\nname = \"opt/quill\"\n",
       "app.toml:2: installer.name: a name, without a folder"},
      {"[installer]\nmaintainer = \"Quill\\nProject\"\n",
       "app.toml:2: installer.maintainer: must be one line without control characters"},
      {"[installer]\nfile = \"\"\n", "app.toml:2: installer.file: must be a non-empty string"},
      {"[installer]\nsection = \"Misc\"\n",
       "app.toml:2: installer.section: a section such as \"misc\" or \"contrib/net\""},
  };
  for (const auto& row : rows) {
    MakeConfig config;
    std::string error;
    EXPECT_FALSE(ParseMakeConfig(row.Text, "app.toml", &config, &error)) << row.Text;
    EXPECT_EQ(error, row.Error);
  }
}

TEST(InstallerSettingsTest, LaterFilesReplaceTheKeysTheySet) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(ParseMakeConfig(
      "[installer]\nfile = \"dist/q.deb\"\nname = \"Quillmark\"\nversion = \"1.4\"\n"
      "service = true\nicon = \"q.png\"\n",
      "base/app.toml", &config, &error))
      << error;
  ASSERT_TRUE(ParseMakeConfigOver("[installer]\nversion = \"1.5~rc1\"\nservice = false\n",
                                  "over/release.toml", &config, &error))
      << error;
  const InstallerSettings& installer = config.Installer;
  EXPECT_TRUE(installer.Present);
  EXPECT_EQ(installer.Name, "Quillmark");
  EXPECT_EQ(installer.Version, "1.5~rc1");
  EXPECT_FALSE(installer.Service);
  // Files are taken from the folder of the file that names them.
  EXPECT_EQ(std::filesystem::path(installer.File), std::filesystem::path("base/dist/q.deb"));
  EXPECT_EQ(std::filesystem::path(installer.Icon), std::filesystem::path("base/q.png"));
}
