#include "platform/user_cache.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/win32/cache_owner.h"
#include "tests/environment_variables.h"
#include "tests/temp_directory.h"

namespace fs = std::filesystem;

namespace {

// Gives `path` to the Users group, which every user is in; false where the system keeps
// no such owner.
bool GiveToAnotherUser(const fs::path& path) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (!CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, &size)) return false;
  std::string name = path.string();
  if (SetNamedSecurityInfoA(&name[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sid, nullptr,
                            nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool given = owner != nullptr && EqualSid(owner, sid);
  LocalFree(descriptor);
  return given;
}

// Puts a directory link at `path` to `target`; false where the system makes none.
bool LinkDirectory(const fs::path& path, const fs::path& target) {
  fs::create_directories(target);
  if (!CreateSymbolicLinkA(path.string().c_str(), target.string().c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(path.string().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

// Each row prepares %LOCALAPPDATA% below a temporary directory and opens the cache
// "key" there.
TEST(UserCacheDirectory, TakesOnlyDirectoriesOfTheUsersOwn) {
  const struct {
    const char* Name;
    std::function<bool(const fs::path& local)> Prepare;  // false: the system cannot
    const char* Reason;                                  // empty: opened
  } rows[] = {
      {"a fresh cache", [](const fs::path&) { return true; }, ""},
      {"a folder of another user",
       [](const fs::path& local) {
         fs::create_directories(local / "Corvane" / "key");
         return GiveToAnotherUser(local / "Corvane" / "key");
       },
       "does not belong to this user"},
      {"a link in place of the folder",
       [](const fs::path& local) { return LinkDirectory(local / "Corvane", local / "elsewhere"); },
       "is a link or junction"},
  };
  const char* saved = std::getenv("LOCALAPPDATA");
  const std::string previous = saved != nullptr ? saved : "";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    ScopedTempDirectory temp("user-cache");
    const fs::path local = temp.path() / "Local";
    fs::create_directory(local);
    if (!row.Prepare(local)) {
      std::printf("skipped \"%s\": this system cannot make it\n", row.Name);
      continue;
    }
    SetVariable("LOCALAPPDATA", local.string());
    std::string path;
    std::string reason;
    const bool opened = OpenUserCacheDirectory("key", &path, &reason);
    if (row.Reason[0] == '\0') {
      EXPECT_TRUE(opened) << reason;
      EXPECT_EQ(path, (local / "Corvane" / "key").string());
    } else {
      EXPECT_FALSE(opened);
      EXPECT_NE(reason.find(row.Reason), std::string::npos) << reason;
    }
    EXPECT_FALSE(fs::exists(local / "elsewhere" / "key"));
  }
  SetVariable("LOCALAPPDATA", previous);
}

// Wine keeps no owners of directories, so the decision is tried on the owners alone.
TEST(UserCacheDirectory, MayBelongToTheUserAnElevatedRunOfTheUserOrTheSystem) {
  const char* user = "S-1-5-21-1004336348-1177238915-682003330-1001";
  const struct {
    const char* Owner;  // null: the directory reports none
    bool Accepted;
  } rows[] = {
      {user, true},
      {"S-1-5-32-544", true},  // Administrators: made by an elevated run
      {"S-1-5-18", true},      // LocalSystem
      {"S-1-5-21-1004336348-1177238915-682003330-1002", false},  // another user
      {"S-1-5-32-545", false},                                   // Users
      {"S-1-1-0", false},                                        // Everyone
      {nullptr, false},
  };
  PSID userSid = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidA(user, &userSid));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Owner != nullptr ? row.Owner : "none");
    PSID owner = nullptr;
    ASSERT_TRUE(row.Owner == nullptr || ConvertStringSidToSidA(row.Owner, &owner));
    EXPECT_EQ(MayOwnUserCache(owner, userSid), row.Accepted);
    LocalFree(owner);
  }
  LocalFree(userSid);
}
