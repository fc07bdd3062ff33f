#include "hosting/startup_archive_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "hosting/java_home.h"
#include "platform/directories.h"
#include "tests/temp_directory.h"

namespace {

const std::string DynamicMagic("\xa8\xab\x0b\xf0", 4);

ArchiveScheme SchemeOf(const char* text) {
  JavaVersion version;
  ParseJavaVersion(text, &version);
  return ChooseArchiveScheme(version);
}

}  // namespace

TEST(StartupArchiveRules, SchemeFollowsTheFeatureVersion) {
  const struct {
    const char* Version;
    ArchiveScheme Expected;
  } cases[] = {
      {"", ArchiveScheme::None},          {"1.8.0_392", ArchiveScheme::None},
      {"12.0.2", ArchiveScheme::None},    {"13", ArchiveScheme::AtExit},
      {"17.0.15", ArchiveScheme::AtExit}, {"18.0.2.1", ArchiveScheme::AtExit},
      {"19", ArchiveScheme::AutoCreate},  {"25.0.3", ArchiveScheme::AutoCreate},
  };
  for (const auto& c : cases) EXPECT_EQ(SchemeOf(c.Version), c.Expected) << c.Version;
}

TEST(StartupArchiveRules, DirectoryNamesTheClassAndTheExecutable) {
  const std::string name = ArchiveDirectoryName("org/quillmark/Quillmark", "/opt/q/quillmark");
  EXPECT_EQ(name.substr(0, 24), "org.quillmark.Quillmark-");
  EXPECT_EQ(name.size(), 24u + 8u);
  EXPECT_NE(name, ArchiveDirectoryName("org/quillmark/Quillmark", "/opt/r/quillmark"));
  // Only characters every file system takes; no separator, however long the class.
  EXPECT_EQ(ArchiveDirectoryName("a b\\c:d$e_f", "x").substr(0, 12), "a_b_c_d$e_f-");
  EXPECT_EQ(ArchiveDirectoryName(std::string(300, 'z'), "x").size(), 96u + 9u);
}

TEST(StartupArchiveRules, OptionsThatChooseSharingThemselves) {
  const struct {
    const char* Option;
    bool Chooses;
  } cases[] = {
      {"-Xshare:off", true},
      {"-XX:SharedArchiveFile=app.jsa", true},
      {"-XX:ArchiveClassesAtExit=app.jsa", true},
      {"-XX:-AutoCreateSharedArchive", true},
      {"-XX:-UseSharedSpaces", true},
      {"-XX:AOTCache=app.aot", true},
      {"-Dnote=-Xshare:off", false},
      {"-XX:+UseG1GC", false},
      {"-Xss1m", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OptionsChooseSharing({"-DCorvane=Yes", c.Option}), c.Chooses) << c.Option;
  }
}

TEST(StartupArchiveRules, OptionsThatMayTurnCompressedPointersOff) {
  const struct {
    const char* Option;
    bool Off;
  } cases[] = {
      {"-XX:-UseCompressedOops", true},
      {"-XX:+UseZGC", true},
      {"-Xmx31g", true},
      {"-Xmx40000m", true},
      {"-XX:MaxHeapSize=64G", true},
      {"-Xmx4g", false},
      {"-Xms64g", false},
      {"-XX:+UseG1GC", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MayTurnOffCompressedOops({c.Option}), c.Off) << c.Option;
}

TEST(StartupArchiveRules, ClassPathWhoseUrlSpellsItOtherwiseIsNotFoundInTheArchive) {
  const std::string separator(1, ClassPathSeparator);
  const struct {
    const char* Directory;
    std::string ClassPath;
    bool Found;
  } cases[] = {
      {"/opt/app-1.0", "Quillmark.jar" + separator + "jh.jar", true},
      {"/opt/app", "/srv/lib/x_y.jar" + separator + "C:\\apps\\a.jar", true},
      {"/opt/my app", "Quillmark.jar", false},                   // the directory's blank
      {"/opt/app", "/srv/Zo\xC3\xAB/a.jar", false},               // a letter beyond ASCII
      {"/opt/app", "100%.jar", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassPathFoundInArchive({"-Dx=a b", "-Djava.class.path=" + c.ClassPath}, c.Directory),
              c.Found)
        << c.Directory << " " << c.ClassPath;
  }
  EXPECT_TRUE(ClassPathFoundInArchive({"-Dx=no class path"}, "/opt/my app"));
}

TEST(StartupArchiveRules, WholeArchiveBeginsWithTheMagicNumber) {
  ScopedTempDirectory temp("archive-whole");
  temp.Write("whole.jsa", DynamicMagic + std::string(64, 'x'));
  temp.Write("killed.jsa", std::string(4096, '\0') + "regions");  // header never written
  temp.Write("short.jsa", DynamicMagic.substr(0, 3));
  temp.Write("static.jsa", "\xa2\xab\x0b\xf0" + std::string(64, 'x'));
  EXPECT_TRUE(IsWholeArchive("whole.jsa"));
  for (const char* name : {"killed.jsa", "short.jsa", "static.jsa", "missing.jsa"}) {
    EXPECT_FALSE(IsWholeArchive(name)) << name;
  }
}

TEST(StartupArchiveRules, VersionComesFromTheHomeAboveTheLibrary) {
  ScopedTempDirectory temp("archive-version");
  temp.Write("jdk17/release", "JAVA_VERSION=\"17.0.2\"\n");
  temp.Write("jdk8/release", "JAVA_VERSION=\"1.8.0_392\"\n");
  // Joined with the platform's separator, below the temporary directory unless relative.
  auto path = [&temp](std::initializer_list<const char*> parts, bool relative = false) {
    std::string joined = relative ? "" : temp.path().string();
    for (const char* part : parts) joined = joined.empty() ? part : JoinPath(joined, part);
    return joined;
  };
  const struct {
    std::string Library;
    const char* Version;
    std::string Home;
  } cases[] = {
      {path({"jdk17", "bin", "server", "jvm.dll"}), "17.0.2", path({"jdk17"})},
      {path({"jdk8", "jre", "bin", "server", "jvm.dll"}), "8.0.392", path({"jdk8"})},
      {path({"j2re", "bin", "client", "jvm.dll"}, true), nullptr, ""},  // no release file
  };
  for (const auto& c : cases) {
    JavaVersion version;
    std::string home;
    EXPECT_EQ(ReadRuntimeVersion(c.Library, &version, &home), c.Version != nullptr) << c.Library;
    if (c.Version != nullptr) {
      EXPECT_EQ(FormatJavaVersion(version), c.Version);
      EXPECT_EQ(home, c.Home);
    }
  }
}

TEST(StartupArchiveRules, KeyChangesWithTheRuntimeTheOptionsAndTheArchives) {
  ScopedTempDirectory temp("archive-key");
  temp.Write("jvm.dll", "runtime");
  temp.Write("app.jar", "classes");
  const std::string classPath = std::string("-Djava.class.path=app.jar") + ClassPathSeparator +
                                "lib.jar" + ClassPathSeparator;
  const std::vector<std::string> options = {"-Dx=1", classPath};
  const std::string key = ArchiveKey("jvm.dll", options);
  EXPECT_EQ(key, ArchiveKey("jvm.dll", options));
  EXPECT_NE(key.find("entry lib.jar\n  missing\n"), std::string::npos) << key;
  EXPECT_NE(key, ArchiveKey("jvm.dll", {"-Dx=2", classPath}));
  temp.Write("lib.jar", "more classes");  // an archive that appears
  const std::string withLibrary = ArchiveKey("jvm.dll", options);
  EXPECT_NE(key, withLibrary);
  temp.Write("app.jar", "other classes");  // an archive that changes size
  EXPECT_NE(withLibrary, ArchiveKey("jvm.dll", options));
  // A runtime updated in place to a library of the same size.
  const std::string beforeUpdate = ArchiveKey("jvm.dll", options);
  const auto path = temp.path() / "jvm.dll";
  std::filesystem::last_write_time(path,
                                   std::filesystem::last_write_time(path) - std::chrono::hours(1));
  const std::string afterUpdate = ArchiveKey("jvm.dll", options);
  EXPECT_NE(beforeUpdate, afterUpdate);
  temp.Write("classes.jsa", "a new base archive");
  EXPECT_NE(afterUpdate, ArchiveKey("jvm.dll", options));
}
