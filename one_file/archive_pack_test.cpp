#include "one_file/archive_pack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/digest.h"

namespace {

ArchivePackIndex Decode(const std::string& pack, bool* ok) {
  ArchivePackIndex index;
  *ok = DecodeArchivePack(reinterpret_cast<const unsigned char*>(pack.data()), pack.size(), &index);
  return index;
}

}  // namespace

TEST(ArchivePack, RoundTripsNamesAndBytesAndTheDigestFollowsEveryByte) {
  const std::vector<ArchiveToPack> archives = {
      {"app.jar", std::string("PK\3\4\0main", 10)}, {"lib/help.jar", "help"}, {"empty.zip", ""}};
  const std::string pack = EncodeArchivePack(archives);
  EXPECT_EQ(pack.size(), ArchivePackSize({"app.jar", "lib/help.jar", "empty.zip"}, {10, 4, 0}));
  bool ok = false;
  const ArchivePackIndex index = Decode(pack, &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(index.Archives.size(), 3u);
  for (std::size_t i = 0; i < archives.size(); ++i) {
    EXPECT_EQ(index.Archives[i].Name, archives[i].Name);
    EXPECT_EQ(pack.substr(index.Archives[i].Offset, index.Archives[i].Size), archives[i].Bytes);
  }
  EXPECT_EQ(DigestText(index.Digest).size(), 16u);

  // One byte, a name, or a byte moved from one archive to the next: another folder.
  std::vector<std::vector<ArchiveToPack>> others = {
      {{"app.jar", std::string("PK\3\4\0mair", 10)}, archives[1], archives[2]},
      {{"App.jar", archives[0].Bytes}, archives[1], archives[2]},
      {{"app.jar", std::string("PK\3\4\0mai", 9)}, {"lib/help.jar", "nhelp"}, archives[2]}};
  for (const auto& other : others) {
    const ArchivePackIndex changed = Decode(EncodeArchivePack(other), &ok);
    EXPECT_NE(changed.Digest, index.Digest);
  }
}

TEST(ArchivePack, RefusesDamagedPacksAndNamesThatLeaveTheFolder) {
  const std::string good = EncodeArchivePack({{"a.jar", "0123456789"}});
  bool ok = false;
  Decode(good, &ok);
  ASSERT_TRUE(ok);
  std::string wrongMagic = good;
  wrongMagic[0] = 'X';
  std::string countTooHigh = good;
  countTooHigh[8] = 2;
  std::string sizeTooLarge = good;
  sizeTooLarge[20 + 4 + 5 + 4] = 11;  // the size of a.jar's bytes
  for (const std::string& damaged : {wrongMagic, countTooHigh, sizeTooLarge, good.substr(0, 30),
                                     good.substr(0, good.size() - 1), std::string()}) {
    Decode(damaged, &ok);
    EXPECT_FALSE(ok) << damaged.size();
  }
  Decode(EncodeArchivePack({{"a.jar", "1"}, {"a.jar", "2"}}), &ok);
  EXPECT_FALSE(ok) << "a name given twice";

  for (const char* name : {"", "/etc/a.jar", "../a.jar", "lib/../../a.jar", "lib//a.jar", "./a.jar",
                           "lib\\a.jar", "C:a.jar", "lib/"}) {
    EXPECT_FALSE(IsPackableName(name)) << name;
    Decode(EncodeArchivePack({{name, "x"}}), &ok);
    EXPECT_FALSE(ok) << name;
  }
  for (const char* name : {"a.jar", "lib/a b.jar", "deps/x/Zoë.jar", "..a.jar"}) {
    EXPECT_TRUE(IsPackableName(name)) << name;
  }
}
