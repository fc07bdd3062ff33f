#include "one_file/archive_folders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/file_operations.h"
#include "platform/path_text.h"
#include "tests/temp_directory.h"

namespace fs = std::filesystem;

namespace {

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ArchiveFolders, WritesWholeFilesAndTellsEveryChangedByte) {
  ScopedTempDirectory directory("archive-files");
  const std::string folder = PathText(directory.path());
  const std::string bytes(100000, 'x');
  ASSERT_TRUE(MakeFoldersOf(folder, "lib/deep/a.jar"));
  const std::string path = PathBelow(folder, "lib/deep/a.jar");
  ASSERT_TRUE(WriteFileWhole(path, Bytes(bytes), bytes.size()));
  EXPECT_EQ(Read(path), bytes);
  EXPECT_TRUE(FileHoldsBytes(path, Bytes(bytes), bytes.size()));
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.path() / "lib" / "deep"),
                          fs::directory_iterator()),
            1)
      << "the temporary name is gone";

  // A byte changed past the first block of the comparison, a byte less, a byte more,
  // no file at all.
  std::string changed = bytes;
  changed[70000] = 'y';
  for (const std::string& other : {changed, bytes.substr(1), bytes + "x"}) {
    directory.Write("lib/deep/a.jar", other);
    EXPECT_FALSE(FileHoldsBytes(path, Bytes(bytes), bytes.size())) << other.size();
  }
  EXPECT_FALSE(FileHoldsBytes(PathBelow(folder, "missing.jar"), Bytes(bytes), 0));
  ASSERT_TRUE(WriteFileWhole(path, Bytes(bytes), bytes.size()));  // over the damaged one
  EXPECT_TRUE(FileHoldsBytes(path, Bytes(bytes), bytes.size()));
  EXPECT_FALSE(WriteFileWhole(PathBelow(folder, "no/such/folder.jar"), Bytes(bytes), 1));
}

TEST(ArchiveFolders, KeepsTheNewestBuildsAndRemovesTreesWithoutFollowingLinks) {
  ScopedTempDirectory directory("archive-folders");
  const fs::path& cache = directory.path();
  const char* const digests[] = {"0000000000000001", "0000000000000002", "0000000000000003",
                                 "0000000000000004", "0000000000000005"};
  // Written one after the other: each folder's time is that of its last name.
  for (const char* digest : digests) {
    directory.Write(fs::path(digest) / "lib" / "a.jar", "a");
    directory.Write(fs::path(digest) / "b.jar", "b");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // What the cleaning leaves alone: another application's file, a folder of another
  // name, a making folder of a process that runs (this one). One of a process that has
  // ended goes.
  directory.Write("outside/keep.jar", "k");
  directory.Write("notes", "n");
  const std::string running = "0000000000000006." + std::to_string(CurrentProcessId()) + ".tmp";
  fs::create_directory(cache / running);
  directory.Write("0000000000000007.999999999.tmp/a.jar", "t");
  std::error_code failure;
  fs::create_directory_symlink(cache / "outside", cache / digests[0] / "link", failure);
  fs::create_directory(cache / "other-folder");

  // The oldest is the current one: it stays, with the two newest others.
  RemoveOlderPackFolders(PathText(cache), PathText(cache / digests[0]), 3);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(fs::exists(cache / digests[i]), i == 0 || i >= 3) << digests[i];
  }
  EXPECT_FALSE(fs::exists(cache / "0000000000000007.999999999.tmp"));
  EXPECT_TRUE(fs::exists(cache / running));
  EXPECT_TRUE(fs::exists(cache / "other-folder"));

  RemoveWholeFolder(PathText(cache / digests[0]));
  EXPECT_FALSE(fs::exists(cache / digests[0]));
  EXPECT_EQ(Read(cache / "outside" / "keep.jar"), "k") << "a link was followed";
  EXPECT_TRUE(fs::exists(cache / "notes"));
}
