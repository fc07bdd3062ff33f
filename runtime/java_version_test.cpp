#include "runtime/java_version.h"

#include <gtest/gtest.h>

namespace {

std::string Parsed(const char* text) {
  JavaVersion version;
  ParseJavaVersion(text, &version);
  return FormatJavaVersion(version);
}

int Compare(const char* a, const char* b) {
  JavaVersion left, right;
  ParseJavaVersion(a, &left);
  ParseJavaVersion(b, &right);
  return CompareJavaVersions(left, right);
}

bool Within(const char* version, const char* bound) {
  JavaVersion v, b;
  ParseJavaVersion(version, &v);
  ParseJavaVersion(bound, &b);
  return WithinVersionBound(v, b);
}

}  // namespace

TEST(JavaVersion, ReadsTheNumbersUpToTheFirstElementThatIsNotOne) {
  const struct {
    const char* Text;
    const char* Expected;
  } cases[] = {
      {"1.8.0_392", "8.0.392"},  // legacy numbering folded
      {"1.8", "8"},
      {"1.1", "1.1"},            // only 1.N with N of 2 or more is legacy
      {"17.0.9+9", "17.0.9.9"},
      {"21.0.1.12", "21.0.1.12"},
      {"22-ea", "22"},
      {"17.0.2-ea+3", "17.0.2"},
      {"17abc", "unknown"},      // an element of digits and letters is no number
      {"", "unknown"},
      {"v17", "unknown"},
      {"99999999999", "unknown"},  // does not fit
      {"1.2.3.4.5.6.7.8.9", "2.3.4.5.6.7.8"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.Text), c.Expected) << c.Text;
}

TEST(JavaVersion, ComparesNumberByNumberWithMissingNumbersAsZero) {
  EXPECT_EQ(Compare("17", "17.0.0"), 0);
  EXPECT_EQ(Compare("1.8", "8"), 0);
  EXPECT_EQ(Compare("17.0.10", "17.0.9"), 1);  // numbers, not text
  EXPECT_EQ(Compare("11.0.21", "17"), -1);
  EXPECT_EQ(Compare("21", "17.0.9"), 1);
}

TEST(JavaVersion, AnUpperBoundIsAPrefix) {
  EXPECT_TRUE(Within("17.0.9", "17"));
  EXPECT_FALSE(Within("18", "17"));
  EXPECT_TRUE(Within("17.0.9", "17.0"));
  EXPECT_FALSE(Within("17.1", "17.0"));
  EXPECT_TRUE(Within("11", "17"));
  EXPECT_TRUE(Within("1.8.0_392", "8"));
}
