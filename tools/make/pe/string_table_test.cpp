#include "tools/make/pe/string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(StringBlock, EncodesLengthPrefixedUtf16) {
  StringBlock block;
  block[0] = u"ab";
  block[15] = u"\u00e9";
  const std::string bytes = EncodeStringBlock(block);
  ASSERT_EQ(bytes.size(), 2u * 16 + 4 + 2);
  EXPECT_EQ(bytes.substr(0, 6), std::string("\2\0a\0b\0", 6));
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\1\0\xe9\0", 4));
  StringBlock back;
  ASSERT_TRUE(DecodeStringBlock(bytes, &back));
  EXPECT_EQ(back, block);
}

TEST(StringBlock, ShortBlocksReadAsEmptyTailsAndTruncatedOnesFail) {
  StringBlock block;
  ASSERT_TRUE(DecodeStringBlock(std::string("\1\0x\0", 4), &block));
  EXPECT_EQ(block[0], u"x");
  EXPECT_EQ(block[1], u"");
  EXPECT_FALSE(DecodeStringBlock(std::string("\5\0x\0", 4), &block));
  EXPECT_FALSE(DecodeStringBlock(std::string("\1\0x\0\1", 5), &block));
}

TEST(SetStringEntry, ChangesOneStringOfEveryLanguageOfItsBlock) {
  ResourceTree tree;
  ASSERT_TRUE(SetStringEntry(&tree, 1072, u"Quillmark.jar"));
  const ResourceLanguages& neutral = tree[ResourceKey(ResourceTypeString)][ResourceKey(68)];
  ASSERT_EQ(neutral.size(), 1u);
  EXPECT_EQ(neutral.begin()->first, 0);

  StringBlock german;
  german[1] = u"andere";
  tree[ResourceKey(ResourceTypeString)][ResourceKey(68)][1031] =
      ResourceData{EncodeStringBlock(german), 0};
  ASSERT_TRUE(SetStringEntry(&tree, 1072, u"jh.jar"));
  for (const auto& [language, data] : tree[ResourceKey(ResourceTypeString)][ResourceKey(68)]) {
    StringBlock block;
    ASSERT_TRUE(DecodeStringBlock(data.Bytes, &block));
    EXPECT_EQ(block[0], u"jh.jar") << language;
    if (language == 1031) {
      EXPECT_EQ(block[1], u"andere");  // its neighbour stays
    }
  }
  tree[ResourceKey(ResourceTypeString)][ResourceKey(68)][0].Bytes = "\x09";
  EXPECT_FALSE(SetStringEntry(&tree, 1072, u"x"));
}

TEST(WidenUtf8, GivesUtf16WithSurrogatesAndReplacesMalformedBytes) {
  EXPECT_EQ(WidenUtf8("a\xC3\xA9\xE2\x82\xAC"), u"a\u00e9\u20ac");
  EXPECT_EQ(WidenUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(WidenUtf8("\xFFz"), u"\uFFFDz");
  EXPECT_EQ(WidenUtf8("\xC3"), u"\uFFFD");
}

}  // namespace
