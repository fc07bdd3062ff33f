#include "tools/make/pe/message_table.h"

std::string BuildEventMessageTable() {
  const std::uint32_t ids[] = {EventInformationId, EventErrorId};
  // An entry: length, flags (0 = ANSI), the text with its NUL padded to 4 bytes.
  const std::string text("%1\r\n\0\0\0\0", 8);
  const std::uint32_t entryLength = 4 + static_cast<std::uint32_t>(text.size());
  std::string bytes;
  AppendLe(&bytes, 2, 4);
  const std::uint32_t entriesAt = 4 + 2 * 12;
  for (int block = 0; block < 2; ++block) {
    AppendLe(&bytes, ids[block], 4);
    AppendLe(&bytes, ids[block], 4);
    AppendLe(&bytes, entriesAt + block * entryLength, 4);
  }
  for (int block = 0; block < 2; ++block) {
    AppendLe(&bytes, entryLength, 2);
    AppendLe(&bytes, 0, 2);
    bytes += text;
  }
  return bytes;
}

void SetEventMessageTable(ResourceTree* tree) {
  ResourceLanguages& languages = (*tree)[ResourceKey(ResourceTypeMessageTable)][ResourceKey(1)];
  languages.clear();
  languages[MessageTableLanguage] = ResourceData{BuildEventMessageTable(), 0};
}
