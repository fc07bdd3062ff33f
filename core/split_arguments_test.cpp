#include "core/split_arguments.h"

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

  ArgumentVector reserved = SplitArguments(static_cast<const char*>(nullptr), true);
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

TEST(SplitArguments, WideTextFollowsTheSameRulesAndKeepsWhatWasTyped) {
  // ASCII texts of the cases above: the same tokens, narrow and wide.
  for (const char* text : {"  word", "a  b", "word  ", "   ", "a\tb", "\"a b c\"d",
                           "-Dname=\"a b\" next", "x \"a b c", "a \"", "\"\""}) {
    const std::u16string wide(text, text + std::char_traits<char>::length(text));
    ArgumentVector split = SplitArguments(wide.c_str(), true);
    ASSERT_EQ(split.Count, static_cast<int>(split.JavaTexts.size()) + 1) << text;
    EXPECT_EQ(split.Vector()[0], nullptr);
    const Tokens narrow = Split(text);
    EXPECT_EQ(split.Tokens, narrow) << text;
    for (std::size_t i = 0; i < narrow.size(); ++i) {
      EXPECT_EQ(split.JavaTexts[i], std::u16string(narrow[i].begin(), narrow[i].end())) << text;
    }
  }
  // A fullwidth quote quotes nothing, whatever the code page makes of it; a quoted
  // token that ends in a character beyond the Basic Multilingual Plane loses the whole
  // surrogate pair, never half of it.
  ArgumentVector split = SplitArguments(u"\uFF02a b\uFF02 \"c d\"\U0001F600", false);
  EXPECT_EQ(split.JavaTexts, (std::vector<std::u16string>{u"\uFF02a", u"b\uFF02", u"c d\""}));
  ASSERT_EQ(split.Count, 3);
  EXPECT_STREQ(split.Vector()[2], "c d\"");
  EXPECT_EQ(split.JavaVector(), split.JavaTexts.data());
  EXPECT_EQ(SplitArguments("a b", false).JavaVector(), nullptr);
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

TEST(SkipProgramName, RemovesPlainAndQuotedNamesFromNarrowAndWideLines) {
  const struct {
    const char* Line;
    const char* Rest;
  } cases[] = {{"app.exe -install", "-install"},
               {"  \t\"C:\\Program Files\\app.exe\" \t a b", "a b"},
               {"\"C:\\a b\\app.exe\"x y", "x y"},
               {"\"unclosed name", ""},
               {"app.exe\targ", "arg"},
               {"app.exe", ""},
               {"", ""}};
  for (const auto& c : cases) {
    EXPECT_STREQ(SkipProgramName(c.Line), c.Rest) << c.Line;
    const std::u16string wide(c.Line, c.Line + std::char_traits<char>::length(c.Line));
    EXPECT_EQ(std::u16string(SkipProgramName(wide.c_str())),
              std::u16string(c.Rest, c.Rest + std::char_traits<char>::length(c.Rest)))
        << c.Line;
  }
}
