#include "core/trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/environment_variables.h"
#include "tests/temp_directory.h"

TEST(Trace, UnwritableTargetIsDroppedAndAWritableOneGetsWholeLines) {
  ScopedTempDirectory temp("trace");
  Trace("before the start: %d", 1);  // off: nothing, nowhere

  SetVariable("CORVANE_TRACE", (temp.path() / "missing" / "trace.log").string());
  StartTrace();
  EXPECT_FALSE(Tracing());
  Trace("dropped");

  const std::string path = (temp.path() / "trace.log").string();
  temp.Write("trace.log", "an earlier run\n");
  SetVariable("CORVANE_TRACE", path);
  StartTrace();
  ASSERT_TRUE(Tracing());
  Trace("runtime %s: %d", "candidate", 7);
  UnsetVariable("CORVANE_TRACE");

  std::ifstream in(path);
  std::string first, second, third;
  std::getline(in, first);
  std::getline(in, second);
  std::getline(in, third);
  EXPECT_EQ(first, "an earlier run");  // appended, not replaced
  EXPECT_NE(second.find("] corvane trace begins"), std::string::npos) << second;
  EXPECT_NE(third.find("] runtime candidate: 7"), std::string::npos) << third;
  EXPECT_EQ(third.front(), '[');
}
