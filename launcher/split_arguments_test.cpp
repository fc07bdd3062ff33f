#include "launcher/split_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const char* text) {
  ArgumentVector result = SplitArguments(text, false);
  EXPECT_EQ(result.Count, static_cast<int>(result.Slots.size()));
  std::vector<std::string> tokens;
  for (int i = 0; i < result.Count; ++i) tokens.push_back(result.Vector()[i]);
  return tokens;
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(SplitArguments, EmptyTextGivesNoSlotsOrOnlyTheReservedOne) {
  ArgumentVector plain = SplitArguments("", false);
  EXPECT_EQ(plain.Count, 0);
  EXPECT_EQ(plain.Vector(), nullptr);

  ArgumentVector reserved = SplitArguments(nullptr, true);
  ASSERT_EQ(reserved.Count, 1);
  EXPECT_EQ(reserved.Vector()[0], nullptr);
}

TEST(SplitArguments, ReservedSlotComesBeforeTheArguments) {
  ArgumentVector result = SplitArguments("-install", true);
  ASSERT_EQ(result.Count, 2);
  EXPECT_EQ(result.Vector()[0], nullptr);
  EXPECT_STREQ(result.Vector()[1], "-install");
}

TEST(SplitArguments, EveryBlankOutsideQuotesEndsAToken) {
  EXPECT_EQ(Split("  word"), Tokens({"word"}));
  EXPECT_EQ(Split("a  b"), Tokens({"a", "", "b"}));
  EXPECT_EQ(Split("word "), Tokens({"word"}));
  EXPECT_EQ(Split("word  "), Tokens({"word", ""}));
  EXPECT_EQ(Split("word   "), Tokens({"word", "", ""}));
  EXPECT_EQ(Split("   "), Tokens({""}));
}

TEST(SplitArguments, OnlyTheBlankSeparates) {
  EXPECT_EQ(Split("a\tb"), Tokens({"a\tb"}));
  EXPECT_EQ(Split("a\nb c"), Tokens({"a\nb", "c"}));
}

TEST(SplitArguments, QuotesProtectBlanksAndLoseFirstAndLastCharacter) {
  EXPECT_EQ(Split("\"C:\\Program Files\\app\" x"), Tokens({"C:\\Program Files\\app", "x"}));
  // The closing quote is not the token's last character: the 'd' goes instead.
  EXPECT_EQ(Split("\"a b c\"d"), Tokens({"a b c\""}));
  // Quotes inside a token that does not start with one stay.
  EXPECT_EQ(Split("-Dname=\"a b\" next"), Tokens({"-Dname=\"a b\"", "next"}));
  EXPECT_EQ(Split("\"\""), Tokens({""}));
}

TEST(SplitArguments, UnclosedQuoteTakesTheRestOfTheText) {
  EXPECT_EQ(Split("x \"a b c"), Tokens({"x", "a b "}));
  EXPECT_EQ(Split("x y\"a b c"), Tokens({"x", "y\"a b c"}));
}

TEST(SplitArguments, LoneQuoteBecomesAnEmptyArgument) {
  EXPECT_EQ(Split("\""), Tokens({""}));
  EXPECT_EQ(Split("a \""), Tokens({"a", ""}));
}

TEST(SplitArguments, ClassPathOptionStaysWholeWithoutQuotes) {
  EXPECT_EQ(Split("-DCorvane=Yes \"-Djava.class.path=Quill mark.jar;jh.jar\""),
            Tokens({"-DCorvane=Yes", "-Djava.class.path=Quill mark.jar;jh.jar"}));
}

TEST(SplitArguments, HandlesVeryLongTextsAndManyArguments) {
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "arg" + std::to_string(i) + " ";
  ArgumentVector split = SplitArguments(many.c_str(), true);
  ASSERT_EQ(split.Count, 10001);
  EXPECT_STREQ(split.Vector()[10000], "arg9999");

  const std::string longText(100000, 'x');
  ArgumentVector single = SplitArguments(longText.c_str(), false);
  ASSERT_EQ(single.Count, 1);
  EXPECT_EQ(std::string(single.Vector()[0]).size(), 100000u);
}

TEST(SplitArguments, SurvivesBeingMoved) {
  ArgumentVector first = SplitArguments("alpha beta", false);
  ArgumentVector moved = std::move(first);
  EXPECT_STREQ(moved.Vector()[0], "alpha");
  EXPECT_STREQ(moved.Vector()[1], "beta");
}

TEST(NextToken, SkipsEmptyEntriesAndCutsTheTextInPlace) {
  char text[] = "first;;second;";
  char* cursor = nullptr;
  EXPECT_STREQ(NextToken(text, ";", &cursor), "first");
  EXPECT_STREQ(NextToken(text, ";", &cursor), "second");
  EXPECT_EQ(NextToken(text, ";", &cursor), nullptr);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_STREQ(text, "first");
}

TEST(NextToken, GivesNothingForEmptyOrDelimiterOnlyTexts) {
  char empty[] = "";
  char delimiters[] = ";;;";
  char* cursor = nullptr;
  EXPECT_EQ(NextToken(empty, ";", &cursor), nullptr);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(NextToken(delimiters, ";", &cursor), nullptr);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(NextToken(nullptr, ";", &cursor), nullptr);
}

TEST(NextToken, DelimitersMayChangeBetweenCalls) {
  // The class path walk: ';', CR and LF for the first entry, ';' alone afterwards,
  // so a line feed after the first entry stays on the second.
  char text[] = "a.jar\r\nb.jar;c.jar";
  char* cursor = nullptr;
  EXPECT_STREQ(NextToken(text, ";\r\n", &cursor), "a.jar");
  EXPECT_STREQ(NextToken(text, ";", &cursor), "\nb.jar");
  EXPECT_STREQ(NextToken(text, ";", &cursor), "c.jar");
  EXPECT_EQ(NextToken(text, ";", &cursor), nullptr);
}

TEST(NextToken, LastEntryWithoutDelimiterEndsTheWalk) {
  char text[] = "only";
  char* cursor = nullptr;
  EXPECT_STREQ(NextToken(text, ";", &cursor), "only");
  EXPECT_NE(cursor, nullptr);
  EXPECT_EQ(NextToken(text, ";", &cursor), nullptr);
  EXPECT_EQ(cursor, nullptr);
}
