#include "platform/user_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/environment_variables.h"
#include "tests/temp_directory.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t OtherUser = 65534;  // nobody

}  // namespace

// Each row prepares a home below a temporary directory and opens the cache "key"
// with HOME pointing there and no XDG_CACHE_HOME.
TEST(UserCacheDirectory, IsMadeOnlyInDirectoriesOfTheUsersOwn) {
  const bool root = geteuid() == 0;
  const struct {
    const char* Name;
    bool NeedsRoot;  // to give a directory to another user
    std::function<void(const fs::path& home)> Prepare;
    const char* Reason;  // empty: opened
    const char* Absent;  // below the home: not made; null: nothing to check
  } rows[] = {
      {"a fresh home", false, [](const fs::path&) {}, "", nullptr},
      {"a home of another user (sudo with HOME kept)", true,
       [](const fs::path& home) { ASSERT_EQ(chown(home.c_str(), OtherUser, OtherUser), 0); },
       "belongs to another user", ".cache"},
      {"a cache of another user", true,
       [](const fs::path& home) {
         fs::create_directories(home / ".cache");
         ASSERT_EQ(chown((home / ".cache").c_str(), OtherUser, OtherUser), 0);
       },
       "belongs to another user", ".cache/corvane"},
      {"a link in place of the directory", false,
       [](const fs::path& home) {
         fs::create_directories(home / "elsewhere");
         fs::create_directories(home / ".cache");
         fs::create_directory_symlink(home / "elsewhere", home / ".cache" / "corvane");
       },
       "is not a directory of this user's own", "elsewhere/key"},
      {"a directory of another user", true,
       [](const fs::path& home) {
         fs::create_directories(home / ".cache" / "corvane" / "key");
         ASSERT_EQ(chown((home / ".cache" / "corvane" / "key").c_str(), OtherUser, OtherUser), 0);
       },
       "is not a directory of this user's own", "elsewhere"},
  };
  UnsetVariable("XDG_CACHE_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string previousHome = savedHome != nullptr ? savedHome : "";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    if (row.NeedsRoot && !root) {
      std::printf("skipped \"%s\": only root can give a directory to another user\n", row.Name);
      continue;
    }
    ScopedTempDirectory temp("user-cache");
    const fs::path home = temp.path() / "home";
    fs::create_directory(home);
    row.Prepare(home);
    SetVariable("HOME", home.string());
    std::string path;
    std::string reason;
    const bool opened = OpenUserCacheDirectory("key", &path, &reason);
    if (row.Reason[0] == '\0') {
      EXPECT_TRUE(opened) << reason;
      EXPECT_EQ(path, (home / ".cache" / "corvane" / "key").string());
      struct stat status;
      ASSERT_EQ(stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 0777, 0700u);
    } else {
      EXPECT_FALSE(opened);
      EXPECT_NE(reason.find(row.Reason), std::string::npos) << reason;
    }
    if (row.Absent != nullptr) {
      EXPECT_FALSE(fs::exists(home / row.Absent)) << row.Absent;
    }
  }
  SetVariable("HOME", previousHome);
}
