#include "archive/rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/directories.h"
#include "runtime/java_home.h"
#include "tests/temp_directory.h"

namespace {

bool MakesArchives(const char* text) {
  JavaVersion version;
  ParseJavaVersion(text, &version);
  return VersionMakesArchives(version);
}

}  // namespace

TEST(StartupArchiveRules, Java11AndLaterMakeArchives) {
  for (const char* version : {"11", "17.0.15", "25.0.1"})
    EXPECT_TRUE(MakesArchives(version)) << version;
  for (const char* version : {"", "1.8.0_392", "10.0.2"})
    EXPECT_FALSE(MakesArchives(version)) << version;
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
      {"-XX:DumpLoadedClassList=c.txt", true},
      {"-Dnote=-Xshare:off", false},
      {"-XX:+UseG1GC", false},
      {"-Xss1m", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OptionsChooseSharing({"-DCorvane=Yes", c.Option}), c.Chooses) << c.Option;
  }
}

TEST(StartupArchiveRules, ToolOptionsSplitAsHotSpotSplitsThem) {
  const std::vector<std::string> split =
      SplitToolOptions("  -agentlib:jdwp=transport=dt_socket\t-Da=\"x y\"\n'-Db=1 2'  ");
  EXPECT_EQ(split,
            (std::vector<std::string>{"-agentlib:jdwp=transport=dt_socket", "-Da=x y", "-Db=1 2"}));
  EXPECT_TRUE(SplitToolOptions(nullptr).empty());
}

TEST(StartupArchiveRules, LayoutOptionsGoToTheDumpAndTheCheck) {
  const std::vector<std::string> options = {"-DCorvane=Yes",
                                            "-XX:ObjectAlignmentInBytes=16",
                                            "-javaagent:a.jar",
                                            "-XX:-UseCompressedClassPointers",
                                            "-Xmx40g",
                                            "-XX:+UseZGC",
                                            "-Xss1m",
                                            "--patch-module=java.base=p",
                                            "-Xbootclasspath/a:boot",
                                            "-XX:+PrintFlagsFinal"};
  EXPECT_EQ(LayoutOptions(options),
            (std::vector<std::string>{"-XX:ObjectAlignmentInBytes=16",
                                      "-XX:-UseCompressedClassPointers", "-Xmx40g", "-XX:+UseZGC",
                                      "--patch-module=java.base=p", "-Xbootclasspath/a:boot"}));
}

TEST(StartupArchiveRules, FilesTheRuntimeOpenedComeFromItsLog) {
  const std::string log =
      "[0.020s][info][class,path] app loader class path=main.jar\n"
      "[0.020s][info][class,path] opened: main.jar\n"
      "[0.021s][info][class,path] opened: /abs/lib/dep.jar\r\n"
      "[0.021s][info][class,path] non-existent Class-Path entry missing.jar\n"
      "[0.032s][info][class,path] path [0] = (modules image)\n"
      "[0.033s][info][class,path] path [2] = lib/more.jar (from cpattr)\n"
      "[0.033s][info][class,path] path [1] = main.jar\n"
      "[0.034s][info][cds] opened: not.jar\n"
      "Error occurred during initialization of VM\n";
  const std::string base = "/opt/app";
  EXPECT_EQ(
      ClassPathFilesInLog(log, base),
      (std::vector<std::string>{JoinPath(base, "main.jar"), "/abs/lib/dep.jar",
                                JoinPath(base, "missing.jar"), JoinPath(base, "lib/more.jar")}));
  EXPECT_EQ(FailureLine(log), "Error occurred during initialization of VM");
  EXPECT_EQ(FailureLine("Cannot have non-empty directory in paths\n[1.0s][info] x\n\n"),
            "Cannot have non-empty directory in paths");
  EXPECT_EQ(FailureLine("[0.1s] only a log\n"), "");
}

TEST(StartupArchiveRules, ClassPathWhoseUrlSpellsItOtherwiseIsNotFoundInTheArchive) {
  const std::string separator(1, ClassPathSeparator);
  const std::string slash(1, PathSeparator);
  const struct {
    const char* Directory;
    std::string ClassPath;
    bool Found;
  } cases[] = {
      {"/opt/app-1.0", "Quillmark.jar" + separator + "jh.jar", true},
      // A drive and the platform's own separator.
      {"/opt/app", "/srv/lib/x_y.jar" + separator + "C:" + slash + "apps" + slash + "a.jar", true},
      {"/opt/my app", "Quillmark.jar", false},       // the directory's blank
      {"/opt/app", "/srv/Zo\xC3\xAB/a.jar", false},  // a letter beyond ASCII
      {"/opt/app", "100%.jar", false},
      {"/opt/a=b", "Quillmark.jar", false},  // reserved within a path segment
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassPathFoundInArchive({"-Dx=a b", "-Djava.class.path=" + c.ClassPath}, c.Directory),
              c.Found)
        << c.Directory << " " << c.ClassPath;
  }
  EXPECT_TRUE(ClassPathFoundInArchive({"-Dx=no class path"}, "/opt/my app"));
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
  temp.Write("release", "JAVA_VERSION=\"17\"");
  temp.Write("app.jar", "classes");
  const std::string classPath = std::string("-Djava.class.path=app.jar") + ClassPathSeparator +
                                "lib.jar" + ClassPathSeparator;
  const std::vector<std::string> options = {"-Dx=1", "-javaagent:a.jar", "-Xmx1g", classPath};
  auto key = [](const std::vector<std::string>& o) { return ArchiveKey("jvm.dll", ".", o); };
  const std::string first = key(options);
  EXPECT_EQ(first, key(options));
  EXPECT_NE(first.find("entry lib.jar\n  missing\n"), std::string::npos) << first;
  // Properties and which agents do not change the archive; the other options, and
  // whether there are agents, may.
  EXPECT_EQ(first, key({"-Dx=2", "-agentlib:jdwp=x", "-Xmx1g", classPath}));
  EXPECT_NE(first, key({"-Dx=1", "-Xmx1g", classPath}));
  EXPECT_NE(first, key({"-Dx=1", "-javaagent:a.jar", "-Xmx40g", classPath}));
  std::vector<std::string> keys = {first};
  temp.Write("lib.jar", "more classes");  // an archive that appears
  keys.push_back(key(options));
  temp.Write("app.jar", "other classes");  // an archive that changes size
  keys.push_back(key(options));
  // A runtime updated in place to a library of the same size.
  const auto path = temp.path() / "jvm.dll";
  std::filesystem::last_write_time(path,
                                   std::filesystem::last_write_time(path) - std::chrono::hours(1));
  keys.push_back(key(options));
  temp.Write("release", "JAVA_VERSION=\"17.0.2\"");
  keys.push_back(key(options));
  for (std::size_t i = 1; i < keys.size(); ++i) EXPECT_NE(keys[i - 1], keys[i]) << i;
  EXPECT_NE(KeyDigest(keys[0]), KeyDigest(keys[1]));
  EXPECT_EQ(KeyDigest(keys[0]).size(), 16u);
}

TEST(StartupArchiveRules, StoredKeyHoldsTheKeyAndTheStampsOfTheFilesOpened) {
  ScopedTempDirectory temp("archive-stored-key");
  temp.Write("dep.jar", "classes");
  const std::string key = "runtime x\n  1 2\n";
  temp.Write("copy.jsa", "archive");
  const std::string stored =
      key + StampLines({"dep.jar", "gone.jar"}) + StampLine("archive.jsa", "copy.jsa");
  EXPECT_FALSE(StoredKeyMatches(stored, key));  // no archive.jsa yet
  std::filesystem::rename(temp.path() / "copy.jsa", temp.path() / "archive.jsa");
  EXPECT_TRUE(StoredKeyMatches(stored, key));
  EXPECT_TRUE(StoredKeyMatches(key, key));
  EXPECT_FALSE(StoredKeyMatches(stored, "runtime y\n  1 2\n"));
  EXPECT_FALSE(StoredKeyMatches(stored + "garbage", key));
  temp.Write("archive.jsa", "archivE");  // overwritten
  EXPECT_FALSE(StoredKeyMatches(stored, key));
  std::filesystem::remove(temp.path() / "archive.jsa");
  temp.Write("gone.jar", "now here");  // a jar that a manifest names appears
  EXPECT_FALSE(StoredKeyMatches(stored, key));
}

TEST(StartupArchiveRules, RefusalThatARunFoundHoldsForItsOptionsAlone) {
  const std::vector<std::string> run = {"-Djava.system.class.loader=L", "-Xmx1g"};
  const struct {
    std::string Text;
    std::vector<std::string> Options;
    bool Holds;
  } cases[] = {
      {FailureText("the dump ended with 1", {}), run, true},  // the making's: for the key
      {FailureText("not mapped", run), run, true},
      {FailureText("not mapped", run), {"-Xmx1g"}, false},  // the property gone
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(FailureHolds(c.Text, c.Options, &reason), c.Holds) << c.Text;
    EXPECT_EQ(reason, c.Text.substr(0, c.Text.find('\n')));
  }
}
