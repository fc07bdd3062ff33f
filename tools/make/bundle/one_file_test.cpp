#include "tools/make/bundle/one_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "core/launch_config.h"
#include "one_file/archive_pack.h"
#include "platform/embedded_archives.h"
#include "platform/posix/archive_trailer.h"
#include "platform/posix/string_blob.h"
#include "tests/temp_directory.h"
#include "tools/make/bundle/archive_writer.h"
#include "tools/make/pe/pe_test_image.h"

namespace fs = std::filesystem;

namespace {

class OneFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("generic", std::string("\x7f"
                                      "ELF generic program",
                                      20) +
                              EncodeStringBlob({{EntryServiceName, "Keep"}}));
    TestImageOptions pe32Plus;
    pe32Plus.Pe32Plus = true;
    dir_.Write("generic.exe", MakeTestImage(ResourceTree(), pe32Plus));
    dir_.Write("in/lib/dep.jar", "dep");
    dir_.Write("in/plugins/x/p.jar", "plugin");
    // A jar whose manifest names lib/dep.jar in Class-Path.
    dir_.Write("manifest/MANIFEST.MF", "Manifest-Version: 1.0\r\nClass-Path: lib/dep.jar\r\n\r\n");
    std::string error;
    ASSERT_TRUE(WriteZipArchive(Path("manifest"), "META-INF", Path("in/app.jar"), &error)) << error;
  }

  std::string Path(const std::string& name) { return (dir_.path() / name).string(); }

  std::string Read(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Make(const std::string& config, const char* target, const char* launcher,
            const char* output = "out") {
    dir_.Write("in/app.toml", config);
    options_.ConfigPath = Path("in/app.toml");
    options_.Target = target;
    options_.LauncherPath = Path(launcher);
    options_.OutputPath = Path(output);
    summary_.clear();
    return MakeLauncher(options_, &error_, &notice_, &summary_);
  }

  // The archives of the pack `pack`, by name.
  static std::map<std::string, std::string> Unpack(const std::string& pack) {
    ArchivePackIndex index;
    EXPECT_TRUE(DecodeArchivePack(reinterpret_cast<const unsigned char*>(pack.data()), pack.size(),
                                  &index));
    std::map<std::string, std::string> archives;
    for (const PackedArchive& archive : index.Archives) {
      archives[archive.Name] = pack.substr(archive.Offset, archive.Size);
    }
    return archives;
  }

  ScopedTempDirectory dir_{"one-file"};
  MakeOptions options_;
  std::string error_;
  std::string notice_;
  std::string summary_;
};

TEST_F(OneFileTest, LinuxLauncherCarriesThePackBeforeItsStringTableAndLosesItWhenMadeAgain) {
  ASSERT_TRUE(
      Make("MainJar = \"app.jar\"\nClassPath = \"plugins;/opt/shared.jar\"\nOneFile = true\n",
           "linux", "generic"))
      << error_;
  const std::string out = Read("out");
  std::size_t blob = 0;
  StringEntries entries;
  ASSERT_TRUE(FindStringBlob(out.data(), out.size(), &blob));
  ASSERT_TRUE(DecodeStringBlob(out.data(), out.size(), blob, &entries));
  EXPECT_EQ(entries.at(EntryMainJar), "app.jar");
  EXPECT_EQ(entries.at(EntryClassPath), "plugins;/opt/shared.jar");
  std::size_t start = 0;
  ASSERT_TRUE(ReadArchiveTrailer(out.data() + blob - ArchiveTrailerSize, blob, &start));
  EXPECT_EQ(start, 20u);
  EXPECT_EQ(
      Unpack(out.substr(start, blob - ArchiveTrailerSize - start)),
      (std::map<std::string, std::string>{
          {"app.jar", Read("in/app.jar")}, {"lib/dep.jar", "dep"}, {"plugins/x/p.jar", "plugin"}}));
  EXPECT_NE(notice_.find("\"/opt/shared.jar\" is kept as written and not copied into the one file"),
            std::string::npos)
      << notice_;
  EXPECT_NE(summary_.find(", with 3 archives\n  plugins/x/p.jar (1 KB)\n  app.jar ("),
            std::string::npos)
      << summary_;

  // Made again from it without OneFile: the program alone, no pack.
  ASSERT_TRUE(Make("MainJar = \"app.jar\"\n", "linux", "out", "again")) << error_;
  const std::string again = Read("again");
  ASSERT_TRUE(FindStringBlob(again.data(), again.size(), &blob));
  EXPECT_EQ(again.substr(0, blob), out.substr(0, 20));
  EXPECT_TRUE(summary_.empty());
}

TEST_F(OneFileTest, WindowsLauncherCarriesThePackAsAResource) {
  options_.OneFile = true;  // --one-file
  ASSERT_TRUE(Make("MainJar = \"app.jar\"\n", "win64", "generic.exe")) << error_;
  PeImage image;
  std::string error;
  ASSERT_TRUE(ReadPeImage(Read("out"), &image, &error)) << error;
  const ResourceKey name(std::u16string(u"CORVANE_ARCHIVES"));
  ASSERT_EQ(image.Resources.count(ResourceKey(10)), 1u);
  const std::string pack = image.Resources[ResourceKey(10)][name][0].Bytes;
  EXPECT_EQ(Unpack(pack).size(), 2u);
  EXPECT_EQ(std::string(ArchivePackResourceName), "CORVANE_ARCHIVES");

  options_.OneFile = false;
  ASSERT_TRUE(Make("MainJar = \"app.jar\"\n", "win64", "out", "again")) << error_;
  ASSERT_TRUE(ReadPeImage(Read("again"), &image, &error)) << error;
  EXPECT_EQ(image.Resources.count(ResourceKey(10)), 0u);
}

TEST_F(OneFileTest, FaultsAreRefusedBeforeAnythingIsWritten) {
  // Past what the format allows: a file of 2 GiB that takes no room on the disk.
  fs::resize_file(dir_.path() / "in" / "lib" / "dep.jar", 0x80000000ull);
  dir_.Write("in/Zoë.jar", "z");
  const struct {
    const char* Config;
    const char* Target;
    const char* Said;
  } cases[] = {
      {"ClassPath = \"missing.jar\"\nOneFile = true\n", "linux",
       "ClassPath names missing.jar, which is not there"},
      {"MainJar = \"app.jar\"\nOneFile = true\n", "linux",
       "dep.jar: 2147.5 MB; with it the one-file launcher would pass 2 GiB, which the format "
       "allows at most"},
      {"ClassPath = \"Zoë.jar\"\nOneFile = true\n", "win32",
       "a Windows launcher carries archives whose paths are ASCII"},
      {"MainClass = \"a.B\"\nOneFile = true\n", "linux",
       "OneFile: the launcher carries the archives that MainJar and ClassPath name, and they "
       "name none"},
  };
  for (const auto& fault : cases) {
    EXPECT_FALSE(Make(fault.Config, fault.Target,
                      std::string(fault.Target) == "linux" ? "generic" : "generic.exe"))
        << fault.Config;
    EXPECT_NE(error_.find(fault.Said), std::string::npos) << error_;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
}

}  // namespace
