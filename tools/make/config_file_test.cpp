#include "tools/make/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "core/config_fields.h"
#include "core/launch_config.h"

namespace {

std::string ErrorOf(const std::string& text) {
  MakeConfig config;
  std::string error;
  EXPECT_FALSE(ParseMakeConfig(text, "app.toml", &config, &error)) << text;
  return error;
}

TEST(ParseMakeConfig, StoresEachKindAsTheLauncherReadsIt) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseMakeConfig("MainClass = \"org.quillmark.Quillmark\"\n"
                      "ClassPath = \"Quillmark.jar;jh.jar\"\n"
                      "AppOptions = \"\"\n"
                      "AllowMultipleInstances = true\n"
                      "StopServiceByExit = false\n"
                      "RuntimeSearchMode = 7\n"
                      "JniVersionText = \"0x00010002\"\n"
                      "MsgFileAccess = \"100%% sure: %s\"\n"
                      "RuntimeDiscovery = true\n"
                      "RuntimeMinVersion = \"1.8\"\n"
                      "ServiceDelayedStart = true\n"
                      "ServiceStopTimeout = 3\n"
                      "Console = true\n"
                      "StartupArchive = true\n",
                      "dir/app.toml", &config, &error))
      << error;
  EXPECT_STREQ(UnscrambleText(config.Entries.at(EntryMainClass).c_str()),
               "org.quillmark.Quillmark");
  EXPECT_EQ(config.Entries.at(EntryClassPath), "Quillmark.jar;jh.jar");
  EXPECT_EQ(config.Entries.at(EntryAppOptions), "<null>");
  EXPECT_EQ(config.Entries.at(EntryAllowMultipleInstances), "1");
  EXPECT_EQ(config.Entries.at(EntryStopServiceByExit), "0");
  EXPECT_EQ(config.Entries.at(EntryRuntimeSearchMode), "7");
  EXPECT_EQ(config.Entries.at(EntryJniVersion), "0x00010002");
  EXPECT_EQ(config.Entries.at(EntryMsgFileAccess), "100%% sure: %s");
  EXPECT_EQ(config.Entries.at(EntryRuntimeDiscovery), "1");
  EXPECT_EQ(config.Entries.at(EntryRuntimeMinVersion), "1.8");
  EXPECT_EQ(config.Entries.at(EntryServiceDelayedStart), "1");
  EXPECT_EQ(config.Entries.at(EntryServiceStopTimeout), "3");
  EXPECT_EQ(config.Entries.at(EntryStartupArchive), "1");
  EXPECT_EQ(config.Entries.size(), 13u);  // everything else keeps the launcher's value
  EXPECT_TRUE(config.Console);            // no entry: the image's subsystem
  EXPECT_FALSE(config.Version.Present);
  EXPECT_FALSE(config.ManifestKeys);
}

TEST(ParseMakeConfig, ReadsTheVersionTableArtworkPathsAndManifestKeys) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseMakeConfig("Icon = \"art/app.ico\"\nSplash = \"splash.bmp\"\n"
                      "ExecutionLevel = \"requireAdministrator\"\nUtf8 = true\n"
                      "[version]\nFileVersion = \"1.2.3\"\nProductName = \"Quill\"\n",
                      "dir/app.toml", &config, &error))
      << error;
  EXPECT_TRUE(config.ManifestKeys);
  EXPECT_EQ(config.Manifest.ExecutionLevel, "requireAdministrator");
  EXPECT_TRUE(config.Manifest.Utf8);
  EXPECT_FALSE(config.Manifest.DpiAware);
  // Compared as paths: Windows joins with a backslash.
  EXPECT_EQ(std::filesystem::path(config.IconPath), std::filesystem::path("dir/art/app.ico"));
  EXPECT_EQ(std::filesystem::path(config.SplashPath), std::filesystem::path("dir/splash.bmp"));
  ASSERT_TRUE(config.Version.Present);
  EXPECT_EQ(config.Version.FileVersion[2], 3u);
  EXPECT_EQ(config.Version.FileVersion[3], 0u);
  EXPECT_EQ(config.Version.ProductVersion[1], 2u);  // taken from FileVersion
  EXPECT_EQ(config.Version.Strings.at("ProductVersion"), "1.2.3");
  EXPECT_EQ(config.Version.Strings.at("ProductName"), "Quill");
}

// A key off by case, a letter (two in a long key) or a swap is named; others are not.
TEST(ParseMakeConfig, UnknownKeyNamesTheKeyItIsCloseTo) {
  const struct {
    const char* Text;
    const char* Error;
  } cases[] = {
      {"Mainclass = 1", "app.toml:1: Mainclass: unknown key; did you mean MainClass?"},
      {"RuntimeMinVerison = 1", "RuntimeMinVerison: unknown key; did you mean RuntimeMinVersion?"},
      {"ClssPth = 1", "ClssPth: unknown key; did you mean ClassPath?"},
      {"[bundle]\njkd = 1", "app.toml:2: bundle.jkd: unknown key; did you mean jdk?"},
      {"[version]\nProductname = 1", "version.Productname: unknown key; did you mean ProductName?"},
      {"Colour = 1", "app.toml:1: Colour: unknown key"},
      {"[bundle]\njava = 1", "app.toml:2: bundle.java: unknown key"},
  };
  for (const auto& test : cases) {
    const std::string error = ErrorOf(test.Text);
    EXPECT_EQ(error.substr(error.size() - std::min(error.size(), std::strlen(test.Error))),
              test.Error);
  }
}

TEST(ParseMakeConfig, EveryFaultNamesFileLineAndKey) {
  EXPECT_EQ(ErrorOf("ClassPath = \"a\"\n\nMainClas = \"x.Y\"\n"),
            "app.toml:3: MainClas: unknown key; did you mean MainClass?");
  EXPECT_EQ(ErrorOf("ClassPath = 5\n"), "app.toml:1: ClassPath: must be a string");
  EXPECT_EQ(ErrorOf("\nJvmOptions = \"-Xmx1g --add-opens -Da java.base/x=y\"\n"),
            "app.toml:2: JvmOptions: \"java.base/x=y\" is not an option (options start with "
            "\"-\"; quote an option that holds blanks)");
  EXPECT_EQ(ErrorOf("\nAllowMultipleInstances = \"yes\"\n"),
            "app.toml:2: AllowMultipleInstances: must be a boolean (true or false)");
  EXPECT_EQ(ErrorOf("StartupArchive = 1\n"),
            "app.toml:1: StartupArchive: must be a boolean (true or false)");
  EXPECT_EQ(ErrorOf("RuntimeSearchMode = 2.0\n"),
            "app.toml:1: RuntimeSearchMode: must be an integer");
  EXPECT_EQ(ErrorOf("RuntimeSearchMode = 8\n"),
            "app.toml:1: RuntimeSearchMode: 8 is outside 0 to 7");
  EXPECT_EQ(ErrorOf("RuntimeSearchMode = -1\n"),
            "app.toml:1: RuntimeSearchMode: -1 is outside 0 to 7");
  EXPECT_EQ(ErrorOf("SplashSeconds = 3000000\n"),
            "app.toml:1: SplashSeconds: 3000000 is outside 0 to 2147483");
  EXPECT_EQ(ErrorOf("ServiceStopTimeout = 0\n"),
            "app.toml:1: ServiceStopTimeout: 0 is outside 1 to 2147473");
  EXPECT_EQ(ErrorOf("\nConsole = \"yes\"\n"),
            "app.toml:2: Console: must be a boolean (true or false)");
  EXPECT_EQ(ErrorOf("MsgOpenDownloadPage = \"Open %s at %s?\"\n"),
            "app.toml:1: MsgOpenDownloadPage: a message may hold one \"%s\" and \"%%\", no "
            "other conversion");
  EXPECT_EQ(ErrorOf("MainClass = \"org/quillmark/Quillmark\"\n"),
            "app.toml:1: MainClass: \"org/quillmark/Quillmark\" is not a Java class name "
            "(identifiers separated by dots)");
  EXPECT_EQ(ErrorOf("JniVersionText = \"1.4\"\n"),
            "app.toml:1: JniVersionText: \"1.4\" is not a hexadecimal number");
  EXPECT_EQ(ErrorOf("RuntimeMaxVersion = \"latest\"\n"),
            "app.toml:1: RuntimeMaxVersion: \"latest\" is not a Java version (such as \"17\" or "
            "\"1.8\")");
  EXPECT_EQ(ErrorOf("MsgLoadJvm = \"%s and %s\"\n"),
            "app.toml:1: MsgLoadJvm: a message may hold one \"%s\" and \"%%\", no other "
            "conversion");
  for (const std::size_t length : {std::size_t{1024}, std::size_t{10} << 20}) {
    EXPECT_EQ(ErrorOf("JvmOptions = \"" + std::string(length, 'x') + "\"\n"),
              "app.toml:1: JvmOptions: the text is " + std::to_string(length) +
                  " characters long; an entry holds at most 1023");
  }
  EXPECT_EQ(ErrorOf("[version]\nFileVersion = \"1.0\"\nColour = \"red\"\n"),
            "app.toml:3: version.Colour: unknown key");
  EXPECT_EQ(ErrorOf("[version]\nFileVersion = \"1.70000\"\n"),
            "app.toml:2: version.FileVersion: \"1.70000\" is not a version of one to four "
            "numbers 0 to 65535 separated by dots");
  EXPECT_EQ(ErrorOf("[version]\nProductName = \"Q\"\n"),
            "app.toml:1: version: FileVersion is missing");
  EXPECT_EQ(ErrorOf("Utf8 = true\nExecutionLevel = \"asinvoker\"\n"),
            "app.toml:2: ExecutionLevel: \"asinvoker\" is not asInvoker, highestAvailable or "
            "requireAdministrator");
  EXPECT_EQ(ErrorOf("DpiAware = 1\n"), "app.toml:1: DpiAware: must be a boolean (true or false)");
  // A syntax error is reported where the parser stopped, a stray non-ASCII letter
  // (which the TOML library once took for undefined behaviour) included.
  EXPECT_EQ(ErrorOf("ClassPath = \"a\"\nJvmOptions = \n").substr(0, 11), "app.toml:2:");
  EXPECT_EQ(ErrorOf("ClassPath = \"a\"\n\xC3\xA9 = 1\n").substr(0, 11), "app.toml:2:");
  EXPECT_EQ(ErrorOf("[\\").substr(0, 11), "app.toml:1:");
  EXPECT_EQ(ErrorOf("ClassPath = \"a\"\nSplashCaption = \"\xFF\xFE\"\n").substr(0, 11),
            "app.toml:2:");  // not UTF-8
}

// The listed types are the ones the parser demands: the Maven plugin writes its
// parameters by this list.
TEST(MakeConfigKeys, EveryListedKeyRefusesAnotherTypeNamingItsOwn) {
  const std::map<std::string, std::string> demanded = {{"string", "must be a string"},
                                                       {"boolean", "must be a boolean"},
                                                       {"integer", "must be an integer"},
                                                       {"file", "must be a file name"}};
  std::size_t launchConfigKeys = 0;
  for (const MakeConfigKey& key : MakeConfigKeys()) {
    const std::string type = key.Type;
    const std::string wrong = type == "boolean" || type == "integer" ? " = \"1\"\n" : " = true\n";
    const std::size_t dot = key.Name.find('.');
    const std::string text = dot == std::string::npos ? "\n" + key.Name + wrong
                                                      : "[" + key.Name.substr(0, dot) + "]\n" +
                                                            key.Name.substr(dot + 1) + wrong;
    const std::string error = ErrorOf(text);
    ASSERT_TRUE(demanded.count(type)) << key.Name << " " << type;
    EXPECT_EQ(error.rfind("app.toml:2: " + key.Name + ": " + demanded.at(type), 0), 0u) << error;
    launchConfigKeys += FindConfigField(key.Name.c_str()) != nullptr;
  }
  EXPECT_EQ(launchConfigKeys, ConfigFieldCount);
  EXPECT_EQ(ErrorOf("version = 1\n"), "app.toml:1: version: must be a table");
}

TEST(ParseMakeConfigOver, LaterFilesReplaceTheKeysTheySet) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseMakeConfig("MainClass = \"a.A\"\nClassPath = \"a.jar\"\nConsole = true\n"
                      "Icon = \"a.ico\"\n[version]\nFileVersion = \"1.2\"\n"
                      "CompanyName = \"A\"\n",
                      "base/app.toml", &config, &error))
      << error;
  // A table without FileVersion is whole with the earlier file's; ProductVersion follows
  // the FileVersion in force until a file gives one.
  ASSERT_TRUE(
      ParseMakeConfigOver("ClassPath = \"b.jar\"\nConsole = false\n"
                          "[version]\nProductName = \"B\"\n",
                          "pom/over.toml", &config, &error))
      << error;
  ASSERT_TRUE(ParseMakeConfigOver("[version]\nFileVersion = \"3\"\n", "x.toml", &config, &error))
      << error;
  EXPECT_STREQ(UnscrambleText(config.Entries.at(EntryMainClass).c_str()), "a.A");
  EXPECT_EQ(config.Entries.at(EntryClassPath), "b.jar");
  EXPECT_FALSE(config.Console);
  EXPECT_EQ(std::filesystem::path(config.IconPath), std::filesystem::path("base/a.ico"));
  EXPECT_EQ(config.Version.Strings.at("CompanyName"), "A");
  EXPECT_EQ(config.Version.Strings.at("ProductName"), "B");
  EXPECT_EQ(config.Version.Strings.at("ProductVersion"), "3");
  EXPECT_EQ(config.Version.ProductVersion[0], 3u);
  ASSERT_TRUE(
      ParseMakeConfigOver("[version]\nProductVersion = \"4\"\n", "y.toml", &config, &error));
  ASSERT_TRUE(ParseMakeConfigOver("[version]\nFileVersion = \"5\"\n", "z.toml", &config, &error));
  EXPECT_EQ(config.Version.Strings.at("ProductVersion"), "4");
  // Each file's faults name that file.
  EXPECT_FALSE(ParseMakeConfigOver("\nSplashSeconds = -1\n", "pom/over.toml", &config, &error));
  EXPECT_EQ(error, "pom/over.toml:2: SplashSeconds: -1 is outside 0 to 2147483");
}

TEST(ParseMakeConfig, TextLengthCountsCharactersNotBytes) {
  MakeConfig config;
  std::string error;
  std::string text;
  for (int i = 0; i < 1023; ++i) text += "\xC3\xA9";  // é: two bytes, one character
  EXPECT_TRUE(ParseMakeConfig("SplashCaption = \"" + text + "\"\n", "a.toml", &config, &error))
      << error;
  EXPECT_NE(ErrorOf("SplashCaption = \"x\\u0000y\"\n").find("NUL"), std::string::npos);
  // A line-ending backslash drops the blanks before the next letter, an accented one too.
  EXPECT_TRUE(ParseMakeConfig("ServiceDescription = \"\"\"Serveur \\\n    \xC3\xA9v\xC3\xA9nements\"\"\"\n",
                              "a.toml", &config, &error))
      << error;
  EXPECT_EQ(config.Entries.at(EntryServiceDescription), "Serveur \xC3\xA9v\xC3\xA9nements");
}

TEST(IsMessageFormat, AllowsOneStringAndPercentSigns) {
  EXPECT_TRUE(IsMessageFormat("Unable to load JVM: %s"));
  EXPECT_TRUE(IsMessageFormat("no argument"));
  EXPECT_TRUE(IsMessageFormat("%% and %s and %%"));
  EXPECT_FALSE(IsMessageFormat("%s%s"));
  EXPECT_FALSE(IsMessageFormat("%d"));
  EXPECT_FALSE(IsMessageFormat("%5s"));
  EXPECT_FALSE(IsMessageFormat("trailing %"));
  EXPECT_FALSE(IsMessageFormat("%S"));
}

TEST(IsJavaClassName, AcceptsIdentifiersSeparatedByDots) {
  EXPECT_TRUE(IsJavaClassName("Main"));
  EXPECT_TRUE(IsJavaClassName("org.quillmark.Quillmark"));
  EXPECT_TRUE(IsJavaClassName("a._b.$C1"));
  EXPECT_FALSE(IsJavaClassName(""));
  EXPECT_FALSE(IsJavaClassName(".a"));
  EXPECT_FALSE(IsJavaClassName("a."));
  EXPECT_FALSE(IsJavaClassName("a..b"));
  EXPECT_FALSE(IsJavaClassName("a.1b"));
  EXPECT_FALSE(IsJavaClassName("a b"));
  EXPECT_FALSE(IsJavaClassName("a-b"));
}

}  // namespace
