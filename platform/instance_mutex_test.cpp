#include "platform/instance_mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/temp_directory.h"

// Of two launchers started at once both may find no mutex; the creation tells the
// second one, which then holds nothing.
TEST(CreateInstanceMutex, TellsAMutexMadeByAnotherFromOneItMade) {
  ScopedTempDirectory dir{"mutex"};
  // Where the Linux build keeps its lock files; putenv keeps the text itself.
  static std::string lockDirectory;
  lockDirectory = "XDG_RUNTIME_DIR=" + dir.path().string();
  putenv(const_cast<char*>(lockDirectory.c_str()));
  const std::string name =
      "CorvaneMutexTest" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  InstanceMutexHandle first = nullptr;
  InstanceMutexHandle second = &first;
  ASSERT_EQ(CreateInstanceMutex(name.c_str(), &first), 0);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(CreateInstanceMutex(name.c_str(), &second), 1);
  EXPECT_EQ(second, nullptr);
  CloseInstanceMutex(first);
  ASSERT_EQ(CreateInstanceMutex(name.c_str(), &second), 0);
  CloseInstanceMutex(second);
  putenv(const_cast<char*>("XDG_RUNTIME_DIR="));
}
