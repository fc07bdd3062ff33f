// The parts of a bundle that need no JDK: the [bundle] table, jlink's options by
// version, the runtime image check and the checksum of the archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/temp_directory.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/bundle/compression.h"
#include "tools/make/bundle/jar_manifest.h"
#include "tools/make/bundle/java_tools.h"
#include "tools/make/bundle/runtime_image.h"
#include "tools/make/config_file.h"

namespace fs = std::filesystem;

namespace {

TEST(BundleSettings, ResolvesFoldersLayersKeyByKeyAndReportsFileLineAndKey) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseMakeConfig("[bundle]\ndir = \"out/app\"\njdk = \"/jdk\"\n"
                      "modules = [\"java.base\", \"java.sql\"]\narchive = true\n",
                      "cfg/app.toml", &config, &error))
      << error;
  EXPECT_EQ(config.Bundle.Dir, (fs::path("cfg") / "out/app").string());
  EXPECT_EQ(config.Bundle.Jdk, "/jdk");
  EXPECT_TRUE(config.Bundle.ModulesGiven);
  EXPECT_EQ(config.Bundle.Modules, (std::vector<std::string>{"java.base", "java.sql"}));
  EXPECT_TRUE(config.Bundle.Archive);

  // A later file replaces the keys it sets and keeps the others; runtime and jdk
  // replace each other.
  ASSERT_TRUE(ParseMakeConfigOver("[bundle]\narchive = false\nmodules = [\"java.sql\"]\n",
                                  "over/1.toml", &config, &error))
      << error;
  EXPECT_EQ(config.Bundle.Dir, (fs::path("cfg") / "out/app").string());
  EXPECT_EQ(config.Bundle.Jdk, "/jdk");
  EXPECT_EQ(config.Bundle.Modules, (std::vector<std::string>{"java.sql"}));
  EXPECT_FALSE(config.Bundle.Archive);
  ASSERT_TRUE(
      ParseMakeConfigOver("[bundle]\nruntime = \"image\"\n", "over/2.toml", &config, &error))
      << error;
  EXPECT_EQ(config.Bundle.Runtime, (fs::path("over") / "image").string());
  EXPECT_EQ(config.Bundle.Jdk, "");

  const struct {
    const char* Table;
    const char* Error;
  } faults[] = {
      {"colour = 1", "app.toml:2: bundle.colour: unknown key"},
      {"dir = \"\"", "app.toml:2: bundle.dir: must be a non-empty string"},
      {"name = \"a/b\"", "app.toml:2: bundle.name: a file name, without a folder"},
      {"modules = [\"java base\"]", "app.toml:2: bundle.modules: must hold module names"},
      {"extra-modules = \"java.sql\"", "app.toml:2: bundle.extra-modules: must be an array"},
      {"archive = \"yes\"", "app.toml:2: bundle.archive: must be a boolean"},
      {"runtime = \"r\"\njdk = \"j\"", "app.toml:3: bundle.jdk: give runtime"},
      {"runtime = \"r\"\njmods = \"m\"", "app.toml:3: bundle.jmods: applies to a runtime linked"},
  };
  for (const auto& fault : faults) {
    EXPECT_FALSE(ParseMakeConfig(std::string("[bundle]\n") + fault.Table + "\n", "app.toml",
                                 &config, &error));
    EXPECT_EQ(error.rfind(fault.Error, 0), 0u) << fault.Table << ": " << error;
  }
}

// The Maven plugin writes its <bundle> parameters by this list.
TEST(BundleKeys, EveryListedKeyRefusesAnotherTypeNamingItsOwn) {
  const std::map<std::string, std::string> demanded = {{"file", "must be a non-empty string"},
                                                       {"string", "must be a non-empty string"},
                                                       {"boolean", "must be a boolean"},
                                                       {"array", "must be an array"}};
  for (const MakeConfigKey& key : BundleKeys()) {
    const std::string type = key.Type;
    const std::string name = key.Name.substr(key.Name.find('.') + 1);
    MakeConfig config;
    std::string error;
    EXPECT_FALSE(ParseMakeConfig("[bundle]\n" + name + (type == "boolean" ? " = 1\n" : " = true\n"),
                                 "app.toml", &config, &error));
    ASSERT_TRUE(demanded.count(type)) << key.Name << " " << type;
    EXPECT_EQ(error.rfind("app.toml:2: " + key.Name + ": " + demanded.at(type), 0), 0u) << error;
  }
}

TEST(JlinkArguments, CompressionAndStartupArchiveFollowTheVersion) {
  const struct {
    const char* Version;
    bool ThisMachine;
    const char* Compress;
    bool Archive;
  } cases[] = {{"11.0.2", true, "--compress=2", false},
               {"17.0.15", true, "--compress=2", true},
               {"17.0.15", false, "--compress=2", false},
               {"21", true, "--compress=zip-6", true},
               {"25", false, "--compress=zip-6", false}};
  for (const auto& test : cases) {
    Jdk jdk;
    jdk.Jlink = "jlink";
    ASSERT_TRUE(ParseJavaVersion(test.Version, &jdk.Version));
    LinkRequest request{"mods", {"java.base", "java.sql"}, test.ThisMachine, "out"};
    std::vector<std::string> expected{"jlink",
                                      "--module-path",
                                      "mods",
                                      "--add-modules",
                                      "java.base,java.sql",
                                      "--strip-debug",
                                      "--no-header-files",
                                      "--no-man-pages",
                                      test.Compress};
    if (test.Archive) expected.push_back("--generate-cds-archive");
    expected.insert(expected.end(), {"--output", "out"});
    EXPECT_EQ(JlinkArguments(jdk, request), expected) << test.Version;
  }
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The headers ReadLibraryMachine reads: a PE image's machine, an ELF file's e_machine.
std::string PeHeader(unsigned machine) {
  std::string bytes(0x48, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0x40;
  bytes.replace(0x40, 4, std::string("PE\0\0", 4));
  bytes[0x44] = static_cast<char>(machine & 0xFF);
  bytes[0x45] = static_cast<char>(machine >> 8);
  return bytes;
}

std::string ElfHeader(unsigned machine) {
  std::string bytes(64, '\0');
  bytes.replace(0, 7,
                "\x7f"
                "ELF\x02\x01\x01");
  bytes[18] = static_cast<char>(machine);
  return bytes;
}

TEST(CheckRuntimeImage, TakesTheTargetsLayoutAndMachineAndSaysWhatElseItFound) {
  ScopedTempDirectory temp("runtime-image");
  const fs::path root = temp.path();
  WriteBytes(root / "win64/bin/server/jvm.dll", PeHeader(0x8664));
  WriteBytes(root / "win32/bin/client/jvm.dll", PeHeader(0x014C));
  WriteBytes(root / "linux/lib/server/libjvm.so", ElfHeader(62));
  fs::create_directories(root / "empty");
  const std::string image = root.string() + "/";
  const struct {
    const char* Image;
    const char* Target;
    ExecutableMachine Machine;
    const char* Result;  // the library, or the end of the error
  } cases[] = {
      {"win64", "win64", ExecutableMachine::X86_64, "bin\\server\\jvm.dll"},
      {"win32", "win32", ExecutableMachine::I386, "bin\\client\\jvm.dll"},
      {"linux", "linux", ExecutableMachine::X86_64, "lib/server/libjvm.so"},
      {"win64", "win32", ExecutableMachine::I386,
       "a runtime for x86-64, but the win32 launcher is for i386 and cannot load it"},
      {"linux", "linux", ExecutableMachine::Arm64,
       "a runtime for x86-64, but the linux launcher is for arm64 and cannot load it"},
      {"linux", "win64", ExecutableMachine::X86_64,
       "linux: a Linux runtime; the win64 target needs a Windows runtime image (with "
       "bin\\server\\jvm.dll)"},
      {"empty", "linux", ExecutableMachine::X86_64,
       "empty: not a runtime image: it has no lib/server/libjvm.so"},
      {"missing", "linux", ExecutableMachine::X86_64, "missing: no such folder"},
  };
  for (const auto& test : cases) {
    std::string library;
    std::string error;
    const bool passed =
        CheckRuntimeImage(image + test.Image, test.Target, test.Machine, &library, &error);
    const std::string& result = passed ? library : error;
    ASSERT_GE(result.size(), std::strlen(test.Result)) << test.Image << ": " << result;
    EXPECT_EQ(result.substr(result.size() - std::strlen(test.Result)), test.Result) << result;
  }
}

// Where each entry lands below app/: inside the input folder at its own path, outside
// it under the path that follows its "..", renamed when that is taken, copied once.
TEST(PlanAppLayout, KeepsTheInputsLayoutAndGivesOutsideEntriesNamesOfTheirOwn) {
  ScopedTempDirectory temp("app-layout");
  for (const char* file : {"in/app.jar", "in/lib/a.jar", "lib/a.jar", "hello.jar"}) {
    WriteBytes(temp.path() / file, "not a zip");
  }
  const std::string input = (temp.path() / "in").string();
  const struct {
    const char* ClassPath;
    const char* MainJar;
    std::vector<std::string> Entries;  // the ClassPath entries, then MainJar
    std::vector<std::string> Targets;  // of the copies
  } cases[] = {
      {"app.jar;lib", "", {"app/app.jar", "app/lib"}, {"app.jar", "lib"}},
      {"../hello.jar", "", {"app/hello.jar"}, {"hello.jar"}},
      {"lib/a.jar;../lib/a.jar",
       "",
       {"app/lib/a.jar", "app/lib-2/a.jar"},
       {"lib-2/a.jar", "lib/a.jar"}},
      {"../lib/a.jar;lib/a.jar",
       "",
       {"app/lib-2/a.jar", "app/lib/a.jar"},
       {"lib-2/a.jar", "lib/a.jar"}},
      {"lib/a.jar;lib;./lib\\a.jar;../in/lib",
       "",
       {"app/lib/a.jar", "app/lib", "app/lib/a.jar", "app/lib"},
       {"lib"}},
      {"", "app.jar", {"app/app.jar"}, {"app.jar"}},
      {"%APPDATA%\\x.jar;/opt/y.jar", "", {"%APPDATA%\\x.jar", "/opt/y.jar"}, {}},
  };
  for (const auto& test : cases) {
    AppLayout layout;
    std::string error;
    std::string notice;
    ASSERT_TRUE(PlanAppLayout(test.ClassPath, test.MainJar, input, &layout, &error, &notice))
        << error;
    std::vector<std::string> entries = layout.ClassPath;
    if (!layout.MainJar.empty()) entries.push_back(layout.MainJar);
    EXPECT_EQ(entries, test.Entries) << test.ClassPath;
    std::vector<std::string> targets;
    for (const AppCopy& copy : layout.Copies) targets.push_back(copy.Target);
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, test.Targets) << test.ClassPath;
  }
  AppLayout layout;
  std::string error;
  std::string notice;
  EXPECT_FALSE(PlanAppLayout("app.jar", "lib/b.jar", input, &layout, &error, &notice));
  EXPECT_NE(error.find("MainJar names lib/b.jar, which is not there"), std::string::npos) << error;
}

// Manifests as jar writes them: a main section of lines of at most 72 bytes, each
// continued on lines that start with a blank, and sections for entries after it.
TEST(JarManifest, ClassPathIsReadFromTheMainSectionAndDecoded) {
  const std::string manifest =
      "Manifest-Version: 1.0\r\nclass-path: lib/dep%20one.jar  http://x/y.jar /abs.jar\r\n"
      "  lib/more.jar classes/\r\nMain-Class: a.B\r\n\r\nName: x\r\nClass-Path: z.jar\r\n";
  EXPECT_EQ(ManifestAttribute(manifest, "Main-Class"), "a.B");
  EXPECT_EQ(RelativeClassPath(ManifestAttribute(manifest, "Class-Path")),
            (std::vector<std::string>{"lib/dep one.jar", "lib/more.jar", "classes/"}));
  EXPECT_EQ(ManifestAttribute("Main-Class: a.B\n", "Class-Path"), "");

  // What Deflate writes, Inflate reads back; a damaged stream is refused.
  for (const std::string& data : {manifest, std::string(70000, 'x'), std::string("\x01\xfe", 2)}) {
    std::string back;
    EXPECT_TRUE(Inflate(Deflate(data), data.size(), &back));
    EXPECT_EQ(back, data);
    EXPECT_FALSE(Inflate(Deflate(data), data.size() - 1, &back));
  }
  std::string back;
  EXPECT_FALSE(Inflate(std::string("\x07\xff\xff", 3), 1000, &back));
}

TEST(Crc32, IsTheChecksumOfZipAndGzip) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
}

}  // namespace
