#include "tools/make/make_launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/config_fields.h"
#include "core/launch_config.h"
#include "platform/posix/string_blob.h"
#include "tests/temp_directory.h"
#include "tools/make/pe/manifest.h"
#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/pe_resource_writer.h"
#include "tools/make/pe/pe_test_image.h"
#include "tools/make/pe/string_table.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::string bytes;
  std::string error;
  EXPECT_TRUE(ReadWholeFile(path.string(), &bytes, &error)) << error;
  return bytes;
}

class MakeLauncherTest : public testing::Test {
 protected:
  void SetUp() override {
    StringEntries entries{{EntryClassPath, "old.jar"}, {EntryServiceName, "Keep"}};
    linux_ = std::string(
                 "\x7f"
                 "ELF generic program",
                 20) +
             EncodeStringBlob(entries);
    WriteFile(Path("generic"), linux_);
    ResourceTree resources;
    SetStringEntry(&resources, EntryServiceName, u"Keep");
    windows_ = MakeTestImage(resources);
    WriteFile(Path("generic.exe"), windows_);
  }

  std::string Path(const char* name) { return (fs::path(dir_.path()) / name).string(); }

  bool Make(const std::string& config, const char* target, const char* launcher) {
    WriteFile(Path("app.toml"), config);
    options_.ConfigPath = Path("app.toml");
    options_.Target = target;
    options_.LauncherPath = Path(launcher);
    options_.OutputPath = Path("out");
    return MakeLauncher(options_, &error_, &notice_);
  }

  // Only the inputs remain: no output, no temporary file.
  void ExpectNothingWritten() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"app.toml", "generic", "generic.exe"}));
    EXPECT_EQ(ReadFile(Path("generic")), linux_);
    EXPECT_EQ(ReadFile(Path("generic.exe")), windows_);
  }

  ScopedTempDirectory dir_{"make"};
  std::string linux_;
  std::string windows_;
  MakeOptions options_;
  std::string error_;
  std::string notice_;
};

// The generic launcher's ServiceName "Keep" stands for a sample's value: what the
// file leaves out takes the tool's neutral default instead.
TEST_F(MakeLauncherTest, LinuxTargetWritesEveryEntryBehindTheProgram) {
  ASSERT_TRUE(
      Make("ClassPath = \"a.jar;b.jar\"\nMainClass = \"com.example.Tool\"\n", "linux", "generic"))
      << error_;
  const std::string out = ReadFile(Path("out"));
  std::size_t start = 0;
  StringEntries entries;
  ASSERT_TRUE(FindStringBlob(out.data(), out.size(), &start));
  ASSERT_TRUE(DecodeStringBlob(out.data(), out.size(), start, &entries));
  EXPECT_EQ(out.substr(0, start), linux_.substr(0, 20));
  EXPECT_EQ(entries.at(EntryClassPath), "a.jar;b.jar");
  EXPECT_EQ(entries.at(EntryServiceName), "<null>");
  EXPECT_EQ(entries.at(EntryAllowMultipleInstances), "1");
  EXPECT_EQ(entries.at(EntryRuntimeDiscovery), "1");
  EXPECT_EQ(entries.at(EntryStartupArchive), "1");
  for (std::size_t i = 0; i < ConfigFieldCount; ++i) {
    EXPECT_EQ(entries.count(ConfigFields[i].Entry), 1u) << ConfigFields[i].Name;
  }
  EXPECT_STREQ(UnscrambleText(entries.at(EntryMainClass).c_str()), "com.example.Tool");
  EXPECT_EQ(ReadFile(Path("generic")), linux_);
}

TEST_F(MakeLauncherTest, WindowsTargetWritesStringsAndMessageTable) {
  ASSERT_TRUE(Make("JvmOptions = \"-Xmx1g\"\n", "win32", "generic.exe")) << error_;
  PeImage image;
  std::string error;
  ASSERT_TRUE(ReadPeImage(ReadFile(Path("out")), &image, &error)) << error;
  StringBlock block;
  ASSERT_TRUE(DecodeStringBlock(
      image.Resources[ResourceKey(ResourceTypeString)][ResourceKey(EntryJvmOptions / 16 + 1)][0]
          .Bytes,
      &block));
  EXPECT_EQ(block[0], u"-Xmx1g");
  ASSERT_TRUE(DecodeStringBlock(
      image.Resources[ResourceKey(ResourceTypeString)][ResourceKey(EntryServiceName / 16 + 1)][0]
          .Bytes,
      &block));
  EXPECT_EQ(block[0], u"<null>");
  EXPECT_EQ(image.Resources[ResourceKey(ResourceTypeMessageTable)][ResourceKey(1)].count(1033), 1u);
  EXPECT_EQ(
      image.Resources[ResourceKey(ResourceTypeManifest)][ResourceKey(1)][ManifestLanguage].Bytes,
      BuildManifest(ManifestSettings()));
  EXPECT_EQ(ReadFile(Path("generic.exe")), windows_);
}

TEST_F(MakeLauncherTest, ManifestKeysShapeTheWindowsManifestAndAreNotedForLinux) {
  const char* config = "ExecutionLevel = \"highestAvailable\"\nDpiAware = true\nUtf8 = true\n";
  ASSERT_TRUE(Make(config, "win32", "generic.exe")) << error_;
  PeImage image;
  std::string error;
  ASSERT_TRUE(ReadPeImage(ReadFile(Path("out")), &image, &error)) << error;
  ManifestSettings settings;
  settings.ExecutionLevel = "highestAvailable";
  settings.DpiAware = true;
  settings.Utf8 = true;
  EXPECT_EQ(
      image.Resources[ResourceKey(ResourceTypeManifest)][ResourceKey(1)][ManifestLanguage].Bytes,
      BuildManifest(settings));
  EXPECT_EQ(notice_, "");
  ASSERT_TRUE(Make(config, "linux", "generic")) << error_;
  EXPECT_NE(notice_.find("manifest"), std::string::npos) << notice_;
}

TEST_F(MakeLauncherTest, ConsoleChangesTheSubsystemAndNothingElse) {
  ASSERT_TRUE(Make("JvmOptions = \"-Xmx1g\"\n", "win32", "generic.exe")) << error_;
  const std::string window = ReadFile(Path("out"));
  ASSERT_TRUE(Make("JvmOptions = \"-Xmx1g\"\nConsole = true\n", "win32", "generic.exe")) << error_;
  const std::string console = ReadFile(Path("out"));
  PeImage image;
  std::string error;
  ASSERT_TRUE(ReadPeImage(console, &image, &error)) << error;
  const std::size_t subsystem = image.OptionalHeaderOffset + SubsystemOffset;
  const std::size_t checksum = image.OptionalHeaderOffset + 64;
  EXPECT_EQ(ReadLe(window, subsystem, 2), SubsystemWindowsGui);
  EXPECT_EQ(ReadLe(console, subsystem, 2), SubsystemWindowsConsole);
  EXPECT_EQ(ReadLe(console, checksum, 4), PeChecksum(console, checksum));
  ASSERT_EQ(console.size(), window.size());
  for (std::size_t at = 0; at < console.size(); ++at) {
    const bool field =
        (at >= subsystem && at < subsystem + 2) || (at >= checksum && at < checksum + 4);
    if (field) continue;
    ASSERT_EQ(console[at], window[at]) << "byte " << at;
  }
}

TEST_F(MakeLauncherTest, ConfigurationErrorsWriteNothing) {
  for (const char* config :
       {"Bogus = 1\n", "ClassPath = true\n", "MainClass = \"9lives\"\n", "MsgLoadJvm = \"%s %s\"\n",
        "MsgLoadJvm = \"%d\"\n", "RuntimeSearchMode = 8\n",
        "ServiceName = \"x\"\nJvmOptions = [1]\n"}) {
    for (const char* target : {"linux", "win32"}) {
      EXPECT_FALSE(Make(config, target, target == std::string("linux") ? "generic" : "generic.exe"))
          << config;
      EXPECT_EQ(error_.rfind(Path("app.toml") + ":", 0), 0u) << error_;
      ExpectNothingWritten();
    }
  }
}

TEST_F(MakeLauncherTest, WrongOrDamagedLaunchersAndArtworkWriteNothing) {
  EXPECT_FALSE(Make("", "win64", "generic.exe"));  // a 32-bit launcher
  EXPECT_NE(error_.find("not a win64 executable"), std::string::npos) << error_;
  EXPECT_FALSE(Make("", "win32", "generic"));
  EXPECT_FALSE(Make("", "linux", "generic.exe"));
  EXPECT_FALSE(Make("", "macos", "generic"));
  options_.IconPath = Path("app.toml");  // not an icon
  EXPECT_FALSE(Make("", "win32", "generic.exe"));
  EXPECT_NE(error_.find("not an icon file"), std::string::npos) << error_;
  options_.IconPath.clear();
  options_.BitmapPath = Path("generic");
  EXPECT_FALSE(Make("", "win32", "generic.exe"));
  EXPECT_NE(error_.find("not a bitmap"), std::string::npos) << error_;
  options_.BitmapPath.clear();
  ExpectNothingWritten();
}

TEST_F(MakeLauncherTest, BadGenericLaunchersAreNamedAndWriteNothing) {
  TestImageOptions signedImage;
  signedImage.CertificateSize = 0x100;
  const struct {
    std::string Launcher;
    const char* Fault;
  } cases[] = {
      {windows_.substr(0, windows_.size() / 2), "lies outside the file"},
      {linux_, "not a Windows executable"},
      {MakeTestImage(ResourceTree(), signedImage), "is signed"},
  };
  for (const auto& bad : cases) {
    WriteFile(Path("generic.exe"), bad.Launcher);
    EXPECT_FALSE(Make("", "win32", "generic.exe"));
    EXPECT_EQ(error_.rfind(Path("generic.exe") + ": ", 0), 0u) << error_;
    EXPECT_NE(error_.find(bad.Fault), std::string::npos) << error_;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  // Over 64 MiB: refused before it is read.
  WriteFile(Path("generic.exe"), windows_);
  fs::resize_file(Path("generic.exe"), MaxInputFileSize + 1);
  EXPECT_FALSE(Make("", "win32", "generic.exe"));
  EXPECT_EQ(error_, Path("generic.exe") + ": larger than 64 MiB, which no input of this tool is");
  WriteFile(Path("generic.exe"), windows_);
  ExpectNothingWritten();
}

TEST_F(MakeLauncherTest, AnOutputDirectoryThatIsMissingWritesNothing) {
  options_.OutputPath = Path("missing") + "/out";
  WriteFile(Path("app.toml"), "ClassPath = \"x\"\n");
  options_.ConfigPath = Path("app.toml");
  options_.Target = "linux";
  options_.LauncherPath = Path("generic");
  EXPECT_FALSE(MakeLauncher(options_, &error_, &notice_));
  EXPECT_EQ(error_.rfind(options_.OutputPath + ": cannot be written", 0), 0u) << error_;
  ExpectNothingWritten();
}

TEST_F(MakeLauncherTest, NeverOverwritesItsInput) {
  options_.OutputPath = Path("generic");
  WriteFile(Path("app.toml"), "ClassPath = \"x\"\n");
  options_.ConfigPath = Path("app.toml");
  options_.Target = "linux";
  options_.LauncherPath = Path("generic");
  EXPECT_FALSE(MakeLauncher(options_, &error_, &notice_));
  EXPECT_NE(error_.find("overwrite an input"), std::string::npos) << error_;
  ExpectNothingWritten();
}

TEST_F(MakeLauncherTest, ReplacesAnEarlierOutputWhole) {
  WriteFile(Path("out"),
            "an older launcher that is longer than the new one will be, by far..........");
  ASSERT_TRUE(Make("ClassPath = \"x\"\n", "linux", "generic")) << error_;
  const std::string out = ReadFile(Path("out"));
  EXPECT_EQ(out.substr(0, 4),
            "\x7f"
            "ELF");
  EXPECT_FALSE(fs::exists(Path("out") + ".corvane-make-tmp"));
}

}  // namespace
