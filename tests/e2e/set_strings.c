/* Replaces string-table entries of a built executable, as a tool does for a
 * launcher after the build.
 *
 *   set_strings EXE ID=TEXT...
 *
 * Every ID must be a multiple of 16: the entry then fills a string block of its own
 * (block ID/16 + 1, first slot), language neutral. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

int main(int argc, char** argv) {
  HANDLE update;
  int i;
  if (argc < 3) {
    fprintf(stderr, "usage: set_strings EXE ID=TEXT...\n");
    return 2;
  }
  update = BeginUpdateResourceA(argv[1], FALSE);
  if (update == NULL) {
    fprintf(stderr, "set_strings: cannot open %s: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  for (i = 2; i < argc; ++i) {
    char* equals = strchr(argv[i], '=');
    unsigned id;
    WCHAR block[4096];
    int length;
    int at;
    if (equals == NULL) return 2;
    *equals = '\0';
    id = (unsigned)strtoul(argv[i], NULL, 10);
    if (id % 16 != 0) {
      fprintf(stderr, "set_strings: %u is not a multiple of 16\n", id);
      return 2;
    }
    length = MultiByteToWideChar(CP_ACP, 0, equals + 1, -1, block + 1, 4000) - 1;
    if (length < 0) return 1;
    block[0] = (WCHAR)length;
    at = 1 + length;
    /* The other fifteen strings of the block are empty. */
    for (int k = 0; k < 15; ++k) block[at++] = 0;
    if (!UpdateResourceA(update, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), block,
                         (DWORD)(at * sizeof(WCHAR)))) {
      fprintf(stderr, "set_strings: cannot update entry %u: error %lu\n", id, GetLastError());
      EndUpdateResourceA(update, TRUE);
      return 1;
    }
  }
  if (!EndUpdateResourceA(update, FALSE)) {
    fprintf(stderr, "set_strings: cannot write %s: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  return 0;
}
