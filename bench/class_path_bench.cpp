// Class path assembly over a tree of 10,000 archives, timed side by side with bare
// walks of the same tree in the same run, and the allocations it makes.
//
//   class_path_bench [repetitions]
#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "core/launch_config.h"
#include "hosting/class_path.h"
#include "platform/directories.h"

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned long> AllocationCount{0};
std::atomic<unsigned long> AllocatedBytes{0};

}  // namespace

void* operator new(std::size_t size) {
  AllocationCount.fetch_add(1, std::memory_order_relaxed);
  AllocatedBytes.fetch_add(size, std::memory_order_relaxed);
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

constexpr int TopDirectories = 10;
constexpr int SubDirectories = 10;
constexpr int ArchivesPerDirectory = 100;  // 10 x 10 x 100 = 10,000 archives

// Ten directories of ten subdirectories, each holding 100 archives and one text file.
void BuildTree(const fs::path& root) {
  for (int top = 0; top < TopDirectories; ++top) {
    for (int sub = 0; sub < SubDirectories; ++sub) {
      const fs::path directory =
          root / ("module" + std::to_string(top)) / ("part" + std::to_string(sub));
      fs::create_directories(directory);
      for (int i = 0; i < ArchivesPerDirectory; ++i) {
        std::ofstream(directory / ("library-" + std::to_string(i) + (i % 2 ? ".jar" : ".ZIP")));
      }
      std::ofstream(directory / "README.txt");
    }
  }
}

bool IsArchive(const char* name) {
  const std::size_t length = std::strlen(name);
  return length >= 4 &&
         (strcasecmp(name + length - 4, ".jar") == 0 || strcasecmp(name + length - 4, ".zip") == 0);
}

// The floor: opendir and readdir, no paths kept.
long WalkWithReaddir(const std::string& directory) {
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return 0;
  long archives = 0;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_type == DT_DIR) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        archives += WalkWithReaddir(directory + "/" + entry->d_name);
      }
    } else if (IsArchive(entry->d_name)) {
      ++archives;
    }
  }
  closedir(listing);
  return archives;
}

long WalkWithFilesystem(const fs::path& root) {
  long archives = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_directory() && IsArchive(entry.path().filename().c_str())) ++archives;
  }
  return archives;
}

long AssembleOnce(const std::string& root) {
  LaunchConfig.JvmOptions = "-DCorvane=Yes";
  LaunchConfig.ClassPath = root;
  return AssembleClassPath() ? 1 : -1;
}

// The entries of the assembled option, counted outside the timed runs.
long CountAssembledEntries() {
  return std::count(LaunchConfig.JvmOptions.begin(), LaunchConfig.JvmOptions.end(),
                    ClassPathSeparator);
}

template <typename Step>
double MedianMilliseconds(int repetitions, Step step, long* result) {
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    const auto start = std::chrono::steady_clock::now();
    *result = step();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const fs::path root = fs::temp_directory_path() / ("corvane-bench-" + std::to_string(getpid()));
  fs::remove_all(root);
  BuildTree(root);
  const std::string rootText = root.string();

  // One untimed pass of each so that all three start from a warm directory cache.
  long assembled = AssembleOnce(rootText);
  long walked = WalkWithReaddir(rootText);
  long iterated = WalkWithFilesystem(root);

  const double assembleMs = MedianMilliseconds(
      repetitions, [&] { return AssembleOnce(rootText); }, &assembled);
  const double readdirMs = MedianMilliseconds(
      repetitions, [&] { return WalkWithReaddir(rootText); }, &walked);
  const double filesystemMs = MedianMilliseconds(
      repetitions, [&] { return WalkWithFilesystem(root); }, &iterated);

  const unsigned long countBefore = AllocationCount.load();
  const unsigned long bytesBefore = AllocatedBytes.load();
  AssembleOnce(rootText);
  const unsigned long allocations = AllocationCount.load() - countBefore;
  const unsigned long bytes = AllocatedBytes.load() - bytesBefore;
  const std::size_t optionLength = LaunchConfig.JvmOptions.size();
  assembled = CountAssembledEntries();

  fs::remove_all(root);

  // The class path holds the root entry and one entry per archive.
  std::printf("tree: %d archives in %d directories, %d repetitions (median)\n",
              TopDirectories * SubDirectories * ArchivesPerDirectory,
              TopDirectories * SubDirectories + TopDirectories, repetitions);
  std::printf("AssembleClassPath         %8.2f ms  (%ld archives, option text %zu bytes)\n",
              assembleMs, assembled, optionLength);
  std::printf("walk, opendir/readdir     %8.2f ms  (%ld archives)  ratio %.2f\n", readdirMs, walked,
              assembleMs / readdirMs);
  std::printf("walk, std::filesystem     %8.2f ms  (%ld archives)  ratio %.2f\n", filesystemMs,
              iterated, assembleMs / filesystemMs);
  std::printf("allocations in one AssembleClassPath: %lu (%lu bytes requested)\n", allocations,
              bytes);
  return assembled == walked && walked == iterated ? 0 : 1;
}
