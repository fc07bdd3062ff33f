#include "platform/directories.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// A path cut to its buffer names another file; the service installation registers the
// path it reads, so the reader refuses one that does not fit whole.
TEST(ReadExecutablePath, RefusesAPathThatDoesNotFitWhole) {
  char path[1024];
  ASSERT_TRUE(ReadExecutablePath(path, sizeof path));
  std::vector<char> exact(std::strlen(path) + 1);
  EXPECT_TRUE(ReadExecutablePath(exact.data(), exact.size()));
  EXPECT_STREQ(exact.data(), path);
  EXPECT_FALSE(ReadExecutablePath(exact.data(), exact.size() - 1));
}
