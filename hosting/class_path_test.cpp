#include "hosting/class_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "hosting/text_buffer.h"
#include "one_file/embedded_archives.h"
#include "platform/directories.h"
#include "platform/system_error.h"
#include "runtime/runtime_location.h"
#include "tests/environment_variables.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

namespace fs = std::filesystem;

namespace {

// `path` written with '/' turned into the platform's separator.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathSeparator);
  return path;
}

// `path` below the current directory, as the assembly makes a relative entry absolute.
std::string Full(const std::string& path) {
  std::string directory;
  EXPECT_TRUE(ReadCurrentDirectory(&directory));
  return directory + std::string(1, PathSeparator) + path;
}

// A class path as the assembly writes it: each entry of the ';'-separated `list` below
// the current directory, joined with the platform's separator.
std::string FullList(const std::string& list) {
  std::string result;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = list.find(';', from);
    result += Full(list.substr(from, end == std::string::npos ? end : end - from));
    if (end == std::string::npos) return result;
    result += ClassPathSeparator;
    from = end + 1;
  }
}

const char ClassPathOption[] = " \"-Djava.class.path=";

// The entries of the class-path option in `options`; none when there is no option.
std::vector<std::string> ClassPathEntries(const std::string& options) {
  std::vector<std::string> entries;
  const std::size_t start = options.find(ClassPathOption);
  if (start == std::string::npos) return entries;
  const std::size_t first = start + std::strlen(ClassPathOption);
  const std::size_t close = options.size() - 1;
  EXPECT_EQ(options[close], '"') << options;
  std::size_t from = first;
  for (;;) {
    const std::size_t end = options.find(ClassPathSeparator, from);
    if (end == std::string::npos || end > close) {
      entries.push_back(options.substr(from, close - from));
      return entries;
    }
    entries.push_back(options.substr(from, end - from));
    from = end + 1;
  }
}

std::set<std::string> AsSet(std::vector<std::string>::const_iterator begin,
                            std::vector<std::string>::const_iterator end) {
  return std::set<std::string>(begin, end);
}

std::string SystemText(unsigned long code) {
  char text[ReportBufferSize];
  if (!DescribeSystemError(code, text, sizeof text)) return "System error " + std::to_string(code);
  return text;
}

std::string ListText(const TextBuffer& list) {
  return list.Text ? std::string(list.Text.get(), list.Length) : std::string();
}

}  // namespace

class ClassPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    RunMode = RunModeKind::Window;
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.MsgFileAccess = "Error accessing file/directory: %s";
    RegistryJavaHome[0] = '\0';
  }
  void TearDown() override {
    RegistryJavaHome[0] = '\0';
    LaunchConfig = LaunchConfigRecord();
    EmbeddedArchiveFolder.clear();
  }

  // Runs the assembly over `classPath` with the option text `options`.
  bool Assemble(const std::string& options, const std::string& classPath) {
    LaunchConfig.JvmOptions = options;
    LaunchConfig.ClassPath = classPath;
    return AssembleClassPath();
  }
};

TEST_F(ClassPathTest, ShippedConfigurationGivesOneQuotedOption) {
  ScopedTempDirectory directory("classpath");
  directory.Write("Quillmark.jar", "");
  directory.Write("jh.jar", "");
  ASSERT_TRUE(Assemble("-DCorvane=Yes", "Quillmark.jar;jh.jar"));
  EXPECT_EQ(LaunchConfig.JvmOptions,
            "-DCorvane=Yes \"-Djava.class.path=" + FullList("Quillmark.jar;jh.jar") + "\"");
  EXPECT_TRUE(RecordedReports.empty());
  // An absolute entry stays as written.
  const std::string absolute = Full("jh.jar");
  ASSERT_TRUE(Assemble("", absolute));
  EXPECT_EQ(LaunchConfig.JvmOptions, " \"-Djava.class.path=" + absolute + "\"");

  // The quotes keep an entry with blanks in one argument and are gone after the split.
  directory.Write("my lib/a.jar", "");
  ASSERT_TRUE(Assemble("-Xmx64m", "my lib"));
  ArgumentVector split = SplitArguments(LaunchConfig.JvmOptions.c_str(), false);
  ASSERT_EQ(split.Count, 2) << LaunchConfig.JvmOptions;
  EXPECT_STREQ(split.Vector()[0], "-Xmx64m");
  EXPECT_EQ(std::string(split.Vector()[1]), "-Djava.class.path=" + Full("my lib") +
                                                ClassPathSeparator + Full(Native("my lib/a.jar")));
}

TEST_F(ClassPathTest, OneFileEntriesAreTakenFromTheFolderOfTheArchives) {
  ScopedTempDirectory directory("classpath");
  directory.Write("beside.jar", "");  // beside the executable: not taken
  directory.Write("archives/app.jar", "");
  directory.Write("archives/lib/a.jar", "");
  const std::string absolute = Full("beside.jar");
  EmbeddedArchiveFolder = Full("archives");
  LaunchConfig.MainJar = "app.jar";
  ASSERT_TRUE(Assemble("", "lib;" + absolute));
  EXPECT_EQ(
      ClassPathEntries(LaunchConfig.JvmOptions),
      (std::vector<std::string>{Full(Native("archives/app.jar")), Full(Native("archives/lib")),
                                Full(Native("archives/lib/a.jar")), absolute}));
  EXPECT_EQ(LaunchConfig.MainJar, Full(Native("archives/app.jar")));
}

TEST_F(ClassPathTest, DirectoryEntryIsFollowedByTheArchivesOfItsWholeTree) {
  ScopedTempDirectory directory("classpath");
  for (const char* name :
       {"first.jar", "lib/a.jar", "lib/B.ZIP", "lib/Mixed.JaR", "lib/notes.txt", "lib/jar",
        "lib/ext/c.jar", "lib/ext/c.jar.txt", "other/d.zip", "last.jar"}) {
    directory.Write(name, "");
  }
  fs::create_directories(directory.path() / "lib" / "empty");
  ASSERT_TRUE(Assemble("", "first.jar;lib;other;last.jar"));
  EXPECT_TRUE(RecordedReports.empty());

  const std::vector<std::string> entries = ClassPathEntries(LaunchConfig.JvmOptions);
  ASSERT_EQ(entries.size(), 9u) << LaunchConfig.JvmOptions;
  EXPECT_EQ(entries[0], Full("first.jar"));
  EXPECT_EQ(entries[1], Full("lib"));
  // Within one directory the file system's order stands; across entries the
  // configured order does.
  EXPECT_EQ(AsSet(entries.begin() + 2, entries.begin() + 6),
            (std::set<std::string>{Full(Native("lib/a.jar")), Full(Native("lib/B.ZIP")),
                                   Full(Native("lib/Mixed.JaR")), Full(Native("lib/ext/c.jar"))}));
  EXPECT_EQ(entries[6], Full("other"));
  EXPECT_EQ(entries[7], Full(Native("other/d.zip")));
  EXPECT_EQ(entries[8], Full("last.jar"));
}

TEST_F(ClassPathTest, TrailingSeparatorStaysOnTheEntryButIsNotDoubled) {
  ScopedTempDirectory directory("classpath");
  directory.Write("lib/a.jar", "");
  for (const std::string& entry : {std::string("lib/"), std::string("lib") + PathSeparator}) {
    ASSERT_TRUE(Assemble("", entry));
    EXPECT_EQ(ClassPathEntries(LaunchConfig.JvmOptions),
              (std::vector<std::string>{Full(entry), Full(Native("lib/a.jar"))}));
  }

  // The scan itself cuts the one separator from its writable path.
  char path[] = "lib//";
  TextBuffer list;
  ASSERT_TRUE(ScanArchiveDirectory(list, path));
  EXPECT_STREQ(path, "lib/");
  EXPECT_EQ(ListText(list), std::string("lib/") + PathSeparator + "a.jar" + ClassPathSeparator);
}

TEST_F(ClassPathTest, DirectoryNamedLikeAnArchiveIsScannedNotAdded) {
  ScopedTempDirectory directory("classpath");
  directory.Write("lib/x.jar/inner.zip", "");
  ASSERT_TRUE(Assemble("", "lib"));
  EXPECT_EQ(ClassPathEntries(LaunchConfig.JvmOptions),
            (std::vector<std::string>{Full("lib"), Full(Native("lib/x.jar/inner.zip"))}));
}

TEST_F(ClassPathTest, MissingEntryFailsWithTwoReportsAndLeavesTheOptions) {
  ScopedTempDirectory directory("classpath");
  directory.Write("present.jar", "");
  EXPECT_FALSE(Assemble("-Dkeep=%CORVANE_CP_UNSET%", "present.jar;missing.jar;gone.jar"));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dkeep=%CORVANE_CP_UNSET%");
  ASSERT_EQ(RecordedReports.size(), 2u);
  // Code 2 is "file not found" in both errno and the Win32 error codes.
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
  EXPECT_EQ(RecordedReports[0].Text, SystemText(2));
  EXPECT_EQ(RecordedReports[1].Kind, ReportKind::Error);
  // The report names the full path that was looked for.
  EXPECT_EQ(RecordedReports[1].Text, "Error accessing file/directory: " + Full("missing.jar"));
}

TEST_F(ClassPathTest, LineBreakEndsOnlyTheFirstEntry) {
  ScopedTempDirectory directory("classpath");
  directory.Write("a.jar", "");
  directory.Write("b.jar", "");
  EXPECT_FALSE(Assemble("-Dx", "a.jar\r\nb.jar"));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dx");
  ASSERT_EQ(RecordedReports.size(), 2u);
  EXPECT_EQ(RecordedReports[1].Text, "Error accessing file/directory: " + Full("\nb.jar"));

  RecordedReports.clear();
  ASSERT_TRUE(Assemble("-Dx", "\r\na.jar;;b.jar;"));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dx \"-Djava.class.path=" + FullList("a.jar;b.jar") + "\"");
}

TEST_F(ClassPathTest, JavaHomeComesFromTheRegistrySearchOnly) {
  ScopedTempDirectory directory("classpath");
  SetVariable("JAVA_HOME", "ENVIRONMENT");
  const std::string tools = Native("/lib/tools.jar");
  // Not tested on disk: what a reference names is the application's affair.
  ASSERT_TRUE(Assemble("-Dh=%JAVA_HOME%", "%JAVA_HOME%" + tools));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dh= \"-Djava.class.path=" + tools + "\"");
  EXPECT_TRUE(RecordedReports.empty());

  const std::string home = Native("/Program Files/Java/jre1.4");
  std::strcpy(RegistryJavaHome, home.c_str());
  ASSERT_TRUE(Assemble("", "%JAVA_HOME%" + tools));
  EXPECT_EQ(LaunchConfig.JvmOptions, " \"-Djava.class.path=" + home + tools + "\"");
  UnsetVariable("JAVA_HOME");
}

TEST_F(ClassPathTest, EmptyClassPathStillExpandsTheOptions) {
  SetVariable("CORVANE_CP_HOME", "/opt/quill");
  ASSERT_TRUE(Assemble("-Dhome=%CORVANE_CP_HOME%", ""));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dhome=/opt/quill");
  ASSERT_TRUE(Assemble("-Dhome=%CORVANE_CP_HOME%", ";;\r\n;"));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Dhome=/opt/quill");
  UnsetVariable("CORVANE_CP_HOME");

  ASSERT_TRUE(Assemble("%CORVANE_CP_HOME%", ""));
  EXPECT_EQ(LaunchConfig.JvmOptions, "");
  ASSERT_TRUE(Assemble("", ""));
  EXPECT_EQ(LaunchConfig.JvmOptions, "");
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(ClassPathTest, LinkBackToAnAncestorIsNotFollowedAgain) {
  ScopedTempDirectory directory("classpath");
  directory.Write("lib/a.jar", "");
  directory.Write("lib/sub/b.jar", "");
  directory.Write("shared/s.jar", "");
  std::error_code error;
  fs::create_directory_symlink(directory.path() / "lib", directory.path() / "lib" / "sub" / "back",
                               error);
  if (error) GTEST_SKIP() << "no directory link can be made here: " << error.message();
  fs::create_directory_symlink(directory.path() / "shared", directory.path() / "lib" / "shared",
                               error);
  ASSERT_FALSE(error) << error.message();

  ASSERT_TRUE(Assemble("", "lib"));
  EXPECT_TRUE(RecordedReports.empty());
  const std::vector<std::string> entries = ClassPathEntries(LaunchConfig.JvmOptions);
  ASSERT_EQ(entries.size(), 4u) << LaunchConfig.JvmOptions;
  EXPECT_EQ(entries[0], Full("lib"));
  // A link that does not lead back up is followed like any directory.
  EXPECT_EQ(AsSet(entries.begin() + 1, entries.end()),
            (std::set<std::string>{Full(Native("lib/a.jar")), Full(Native("lib/sub/b.jar")),
                                   Full(Native("lib/shared/s.jar"))}));
}

TEST_F(ClassPathTest, BrokenListingIsReportedAndTheAssemblyGoesOn) {
  ScopedTempDirectory directory("classpath");
  directory.Write("lib/a.jar", "");
  directory.Write("lib/locked/hidden.jar", "");
  const fs::path locked = directory.path() / "lib" / "locked";
  fs::permissions(locked, fs::perms::none);
  std::error_code error;
  fs::directory_iterator probe(locked, error);
  if (!error) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "directory permissions are not enforced for this user";
  }
  const bool assembled = Assemble("", "lib");
  fs::permissions(locked, fs::perms::owner_all);
  ASSERT_TRUE(assembled);
  ASSERT_EQ(RecordedReports.size(), 1u);
  EXPECT_EQ(RecordedReports[0].Kind, ReportKind::Error);
  EXPECT_EQ(ClassPathEntries(LaunchConfig.JvmOptions),
            (std::vector<std::string>{Full("lib"), Full(Native("lib/a.jar"))}));
}

TEST_F(ClassPathTest, ClassifyTellsFilesDirectoriesAndReferences) {
  ScopedTempDirectory directory("classpath");
  directory.Write("a.jar", "");
  directory.Write("dir/x", "");
  EXPECT_EQ(ClassifyClassPathEntry("a.jar", "a.jar"), 0);
  EXPECT_EQ(ClassifyClassPathEntry("dir", "dir"), 1);
  // An entry written with a reference is not looked at, though it names a directory.
  EXPECT_EQ(ClassifyClassPathEntry("%CORVANE_CP_DIR%", "dir"), 0);
  EXPECT_TRUE(RecordedReports.empty());
  EXPECT_EQ(ClassifyClassPathEntry("absent", "absent"), -1);
  ASSERT_EQ(RecordedReports.size(), 2u);
  EXPECT_EQ(RecordedReports[1].Text, "Error accessing file/directory: absent");
}

// What the configuration wrote is expanded first and made absolute after: a '%' in the
// directory's own name is no reference. The main archive is one path, never split.
TEST_F(ClassPathTest, ReferencesAreExpandedBeforeEntriesAreMadeAbsolute) {
  ScopedTempDirectory directory("classpath");
  // A ';' in a name stays whole here; on Windows it separates the machine's class path.
  const std::string semicolon = ClassPathSeparator == ';' ? " " : ";";
  const fs::path odd = directory.path() / ("50%off" + semicolon + "x=y") / ("cp" + semicolon + "q");
  directory.Write(odd / "hello.jar", "");
  directory.Write(odd / "lib" / "a.jar", "");
  // A configured path is expanded as written; this one holds no '%' of its own.
  const std::string elsewhere =
      (directory.path() / ("cp" + semicolon + "q") / "other.jar").string();
  directory.Write(elsewhere, "");
  fs::current_path(odd);
  SetVariable("CORVANE_CP_LIB", "lib");
  const std::string jar = Full("hello.jar");
  const struct {
    const char* Name;
    std::string MainJar;
    std::string ClassPath;
    std::vector<std::string> Entries;
  } rows[] = {
      // A written reference is expanded, made absolute, and neither looked at nor scanned.
      {"relative entries", "", "hello.jar;%CORVANE_CP_LIB%", {jar, Full("lib")}},
      {"an absolute main archive", elsewhere, "", {elsewhere}},
      {"a relative main archive",
       "hello.jar",
       "lib",
       {jar, Full("lib"), Full(Native("lib/a.jar"))}},
  };
  for (const auto& row : rows) {
    LaunchConfig.MainJar = row.MainJar;
    ASSERT_TRUE(Assemble("-Dx=%CORVANE_CP_LIB%", row.ClassPath)) << row.Name;
    EXPECT_EQ(ClassPathEntries(LaunchConfig.JvmOptions), row.Entries) << row.Name;
    EXPECT_EQ(LaunchConfig.JvmOptions.rfind("-Dx=lib \"", 0), 0u) << row.Name;
    EXPECT_EQ(LaunchConfig.MainJar, row.MainJar.empty() ? "" : row.Entries[0]) << row.Name;
    EXPECT_EQ(AssembledClassPath, row.Entries) << row.Name;
  }
  EXPECT_TRUE(RecordedReports.empty());
  UnsetVariable("CORVANE_CP_LIB");
}

TEST_F(ClassPathTest, EmptyDirectoryAddsNothing) {
  ScopedTempDirectory directory("classpath");
  fs::create_directories(directory.path() / "empty");
  char path[] = "empty";
  TextBuffer list;
  EXPECT_TRUE(ScanArchiveDirectory(list, path));
  EXPECT_EQ(ListText(list), "");
  EXPECT_EQ(list.Text, nullptr);
  EXPECT_TRUE(RecordedReports.empty());

  ASSERT_TRUE(Assemble("-Da", "empty"));
  EXPECT_EQ(LaunchConfig.JvmOptions, "-Da \"-Djava.class.path=" + Full("empty") + "\"");
}

TEST_F(ClassPathTest, ExpandVariablesReplacesNamesInOnePass) {
  SetVariable("CORVANE_CP_A", "alpha");
  SetVariable("CORVANE_CP_NESTED", "%CORVANE_CP_A%");
  UnsetVariable("CORVANE_CP_UNSET");
  EXPECT_EQ(ExpandVariables("x%CORVANE_CP_A%y"), "xalphay");
  EXPECT_EQ(ExpandVariables("%CORVANE_CP_A%%CORVANE_CP_A%"), "alphaalpha");
  EXPECT_EQ(ExpandVariables("[%CORVANE_CP_UNSET%]"), "[]");
  EXPECT_EQ(ExpandVariables("%CORVANE_CP_NESTED%"), "%CORVANE_CP_A%");
  EXPECT_EQ(ExpandVariables("abc%def"), "abcdef");
  EXPECT_EQ(ExpandVariables("x%CORVANE_CP_A%y%tail"), "xalphaytail");
  EXPECT_EQ(ExpandVariables("100%%"), "100");
  EXPECT_EQ(ExpandVariables("a%%b"), "ab");
  EXPECT_EQ(ExpandVariables("%"), "");
  EXPECT_EQ(ExpandVariables("%%"), "");
  EXPECT_EQ(ExpandVariables(""), "");
  EXPECT_EQ(ExpandVariables(nullptr), "");
  std::strcpy(RegistryJavaHome, "/jre");
  EXPECT_EQ(ExpandVariables("%JAVA_HOME%/bin"), "/jre/bin");
  UnsetVariable("CORVANE_CP_A");
  UnsetVariable("CORVANE_CP_NESTED");
}

TEST(TextBuffer, GrowsBy1024BytesFourTimesTheTextOrItsOwnSize) {
  TextBuffer buffer;
  AppendText(buffer, "");
  AppendText(buffer, nullptr);
  EXPECT_EQ(buffer.Text, nullptr);
  EXPECT_EQ(buffer.Capacity, 0u);

  const std::string ten(10, 'a');
  AppendText(buffer, ten.c_str());
  EXPECT_EQ(buffer.Capacity, 1024u);
  EXPECT_EQ(buffer.Length, 10u);
  const std::string fill(1013, 'b');  // 1023 characters and the terminator: still fits
  AppendText(buffer, fill.c_str());
  EXPECT_EQ(buffer.Capacity, 1024u);
  AppendText(buffer, 'c');
  EXPECT_EQ(buffer.Capacity, 2048u);
  const std::string fits(1000, 'd');  // 2024 characters: still fits
  AppendText(buffer, fits.c_str());
  EXPECT_EQ(buffer.Capacity, 2048u);
  const std::string big(100, 'e');
  AppendText(buffer, big.c_str());
  EXPECT_EQ(buffer.Capacity, 2048u + 2048u);  // its own size is more than 1024
  const std::string huge(2000, 'f');
  AppendText(buffer, huge.c_str());
  EXPECT_EQ(buffer.Capacity, 4096u + 8000u);  // four times the text is more
  EXPECT_EQ(buffer.Length, 4124u);
  EXPECT_EQ(std::string(buffer.Text.get()), ten + fill + "c" + fits + big + huge);

  TextBuffer large;
  AppendText(large, std::string(257, 'e').c_str());
  EXPECT_EQ(large.Capacity, 1028u);
  TextBuffer boundary;
  AppendText(boundary, std::string(256, 'f').c_str());
  EXPECT_EQ(boundary.Capacity, 1024u);
  AppendText(boundary, std::string(768, 'g').c_str());  // 1024 characters need 1025 bytes
  EXPECT_EQ(boundary.Capacity, 1024u + 3072u);
  EXPECT_EQ(boundary.Length, 1024u);
  EXPECT_EQ(boundary.Text[1024], '\0');
}
