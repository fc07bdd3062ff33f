#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

#include "core/report.h"
#include "tests/temp_directory.h"

// Allocation fails on demand in this program, as it does in a process whose memory is
// used up.
namespace {
bool FailAllocations = false;
}  // namespace

void* operator new(std::size_t size) {
  if (FailAllocations) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

// Reports that memory ran out on a console program's standard error, `stream`, while
// no allocation succeeds; true when that took no memory.
bool ReportWithoutMemory(HANDLE stream) {
  const HANDLE previous = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, stream);
  const RunModeKind mode = RunMode;
  RunMode = RunModeKind::Console;
  FailAllocations = true;
  bool ranOut = false;
  try {
    ReportOutOfMemory();
  } catch (const std::bad_alloc&) {
    ranOut = true;
  }
  FailAllocations = false;
  RunMode = mode;
  SetStdHandle(STD_ERROR_HANDLE, previous);
  return !ranOut;
}

}  // namespace

// A file or pipe gets the text as it is; a console gets it converted to UTF-16.
TEST(ConsoleReport, OfMemoryRunningOutTakesNoMemory) {
  ScopedTempDirectory temp("report-sink");
  const std::string path = (temp.path() / "stderr.txt").string();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReportWithoutMemory(file));
  char text[64] = {};
  DWORD read = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ReadFile(file, text, sizeof text - 1, &read, nullptr);
  CloseHandle(file);
  EXPECT_STREQ(text, "Out of memory.\r\n");

  const bool ownConsole = GetConsoleWindow() == nullptr && AllocConsole();
  HANDLE console = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (console == INVALID_HANDLE_VALUE) {
    std::printf("skipped the console: this system gives the test no console buffer\n");
  } else {
    EXPECT_TRUE(ReportWithoutMemory(console));
    wchar_t shown[15] = {};
    DWORD count = 0;
    ReadConsoleOutputCharacterW(console, shown, 14, COORD{0, 0}, &count);
    EXPECT_EQ(std::wstring(shown, count), L"Out of memory.");
    CloseHandle(console);
  }
  if (ownConsole) FreeConsole();
}
