#pragma once

/// Reads string-table entry `id` of the executable's own module into `buffer` of
/// `size` characters (LoadStringA): the text in the ANSI code page, cut to size - 1
/// characters and zero-terminated. Returns the number of characters copied, 0 when
/// the entry is absent or empty.
int ReadStringTableEntry(unsigned id, char* buffer, int size);
