#include "platform/string_table.h"

#include <windows.h>

int ReadStringTableEntry(unsigned id, char* buffer, int size) {
  buffer[0] = '\0';
  return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}
