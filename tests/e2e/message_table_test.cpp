// Reads the event message table back from the built launcher, as the event viewer
// does: the raw resource layout and the formatting of each event id.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr DWORD InformationEventId = 0x40000001;
constexpr DWORD ErrorEventId = 0xC0000002;
constexpr WORD EnglishUnitedStates = 1033;

std::string LauncherPath() {
  std::string path = CORVANE_LAUNCHER_PATH;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

class MessageTable : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(LauncherPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << LauncherPath() << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  std::string Format(DWORD id, const char* insertion) {
    char text[256] = {};
    DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(insertion)};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        module_, id, EnglishUnitedStates, text, sizeof text,
                                        reinterpret_cast<va_list*>(arguments));
    if (length == 0) return "(error " + std::to_string(GetLastError()) + ")";
    return std::string(text, length);
  }

  HMODULE module_ = nullptr;
};

TEST_F(MessageTable, HasTwoBlocksOfOneAnsiEntryEach) {
  HRSRC found = FindResourceExA(module_, reinterpret_cast<LPCSTR>(RT_MESSAGETABLE),
                                MAKEINTRESOURCEA(1), EnglishUnitedStates);
  ASSERT_NE(found, nullptr) << "no message table 1 in language 1033";
  const DWORD size = SizeofResource(module_, found);
  const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
  ASSERT_NE(base, nullptr);
  ASSERT_GE(size, sizeof(DWORD));

  const auto* data = reinterpret_cast<const MESSAGE_RESOURCE_DATA*>(base);
  ASSERT_EQ(data->NumberOfBlocks, 2u);
  ASSERT_GE(size, sizeof(DWORD) + 2 * sizeof(MESSAGE_RESOURCE_BLOCK));
  const DWORD ids[] = {InformationEventId, ErrorEventId};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const MESSAGE_RESOURCE_BLOCK& block = data->Blocks[i];
    EXPECT_EQ(block.LowId, ids[i]);
    EXPECT_EQ(block.HighId, ids[i]);
    ASSERT_LE(block.OffsetToEntries + 12, size);
    const auto* entry =
        reinterpret_cast<const MESSAGE_RESOURCE_ENTRY*>(base + block.OffsetToEntries);
    EXPECT_EQ(entry->Length, 12);
    EXPECT_EQ(entry->Flags, 0) << "1 would mark a Unicode entry";
    const std::string text(reinterpret_cast<const char*>(entry->Text), 8);
    EXPECT_EQ(text, std::string("%1\r\n\0\0\0\0", 8));
  }
}

TEST_F(MessageTable, EachEventShowsItsInsertionAndALineBreak) {
  EXPECT_EQ(Format(InformationEventId, "The Quill service has started."),
            "The Quill service has started.\r\n");
  EXPECT_EQ(Format(ErrorEventId, "Error accessing file/directory: C:\\100%"),
            "Error accessing file/directory: C:\\100%\r\n");
}

TEST_F(MessageTable, HoldsNoOtherIds) {
  // Same codes under the other severity are not in the table.
  EXPECT_EQ(Format(0xC0000001, "x").rfind("(error ", 0), 0u);
  EXPECT_EQ(Format(0x40000002, "x").rfind("(error ", 0), 0u);
}

}  // namespace
