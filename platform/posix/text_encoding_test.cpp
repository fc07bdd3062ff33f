#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextToUtf16, DecodesUtf8AndReplacesEachIllFormedPart) {
  const struct {
    const char* Bytes;
    std::u16string Text;
  } cases[] = {
      {"", u""},
      {"Zo\xC3\xAB \xE6\x97\xA5", u"Zo\u00EB \u65E5"},
      {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\U0001F600\U0010FFFF"},  // surrogate pairs
      {"a\377b\200c", u"a\uFFFDb\uFFFDc"},                            // bytes that never lead
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                                  // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},                        // overlong, three bytes
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                        // a surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},              // beyond U+10FFFF
      {"\xE6\x97x\xE6\x97", u"\uFFFDx\uFFFD"},                        // cut short, one each
      {"\xF0\x9F\x98\xF0\x9F\x98\x80", u"\uFFFD\U0001F600"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToUtf16(c.Bytes), c.Text) << c.Bytes;
  EXPECT_EQ(TextToUtf16(nullptr), u"");
}

TEST(TextFromUtf16, EncodesUtf8AndReplacesLoneSurrogates) {
  const char* const valid = "Zo\xC3\xAB \xE6\x97\xA5 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
  EXPECT_EQ(TextFromUtf16(TextToUtf16(valid)), valid);
  EXPECT_EQ(TextFromUtf16(u"a\xD83Dz\xDE00"), "a\xEF\xBF\xBDz\xEF\xBF\xBD");
  EXPECT_EQ(TextFromUtf16(std::u16string(1, u'\xD83D')), "\xEF\xBF\xBD");
}

}  // namespace
