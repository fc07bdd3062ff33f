#include "tools/make/pe/message_table.h"

#include <gtest/gtest.h>

namespace {

TEST(EventMessageTable, HoldsTwoBlocksOfOneAnsiEntryEach) {
  const std::string expected(
      "\x02\x00\x00\x00"                                  // two blocks
      "\x01\x00\x00\x40\x01\x00\x00\x40\x1c\x00\x00\x00"  // 0x40000001 at 28
      "\x02\x00\x00\xC0\x02\x00\x00\xC0\x28\x00\x00\x00"  // 0xC0000002 at 40
      "\x0c\x00\x00\x00%1\r\n\x00\x00\x00\x00"            // length 12, flags 0
      "\x0c\x00\x00\x00%1\r\n\x00\x00\x00\x00",
      52);
  EXPECT_EQ(BuildEventMessageTable(), expected);
}

TEST(EventMessageTable, ReplacesAnyTableAsId1InEnglish) {
  ResourceTree tree;
  tree[ResourceKey(ResourceTypeMessageTable)][ResourceKey(1)][0] = ResourceData{"old", 0};
  SetEventMessageTable(&tree);
  const ResourceLanguages& languages = tree[ResourceKey(ResourceTypeMessageTable)][ResourceKey(1)];
  ASSERT_EQ(languages.size(), 1u);
  EXPECT_EQ(languages.begin()->first, 1033);
  EXPECT_EQ(languages.begin()->second.Bytes, BuildEventMessageTable());
}

}  // namespace
