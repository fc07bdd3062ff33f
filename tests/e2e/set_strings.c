/* Replaces string-table entries of a built executable, as a tool does for a
 * launcher after the build.
 *
 *   set_strings EXE ID=TEXT...
 *   set_strings EXE -bitmap:ID
 *
 * Every ID must be a multiple of 16: the entry then fills a string block of its own
 * (block ID/16 + 1, first slot), language neutral. The second form removes the
 * bitmap resource ID instead. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

typedef struct Resource {
  LPSTR type, name; /* integer ids or copied names */
  WORD language;
  void* data;
  DWORD size;
} Resource;

enum { kMaxResources = 4096 };
static Resource resources[kMaxResources];
static int resourceCount;
static HMODULE image;

static LPSTR CopyId(LPCSTR id) {
  return IS_INTRESOURCE(id) ? (LPSTR)id : _strdup(id);
}

static BOOL CALLBACK KeepLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language,
                                  LONG_PTR unused) {
  HRSRC found = FindResourceExA(module, type, name, language);
  Resource* kept = &resources[resourceCount];
  (void)unused;
  if (found == NULL || resourceCount == kMaxResources) return FALSE;
  kept->size = SizeofResource(module, found);
  kept->data = malloc(kept->size ? kept->size : 1);
  memcpy(kept->data, LockResource(LoadResource(module, found)), kept->size);
  kept->type = CopyId(type);
  kept->name = CopyId(name);
  kept->language = language;
  ++resourceCount;
  return TRUE;
}

static BOOL CALLBACK KeepName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR unused) {
  (void)unused;
  return EnumResourceLanguagesA(module, type, name, KeepLanguage, 0);
}

static BOOL CALLBACK KeepType(HMODULE module, LPSTR type, LONG_PTR unused) {
  (void)unused;
  return EnumResourceNamesA(module, type, KeepName, 0);
}

/* Rewrites the resources of `exe` without bitmap `id`. UpdateResource with no data
 * does not remove a resource under Wine, whose EndUpdateResource merges the file's
 * own resources back in, so every other resource is copied into an emptied table. */
static int RemoveBitmap(const char* exe, unsigned id) {
  HANDLE update;
  int i;
  int kept = 0;
  image = LoadLibraryExA(exe, NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (image == NULL || !EnumResourceTypesA(image, KeepType, 0)) {
    fprintf(stderr, "set_strings: cannot read the resources of %s: error %lu\n", exe,
            GetLastError());
    return 1;
  }
  FreeLibrary(image);
  update = BeginUpdateResourceA(exe, TRUE);
  if (update == NULL) {
    fprintf(stderr, "set_strings: cannot open %s: error %lu\n", exe, GetLastError());
    return 1;
  }
  for (i = 0; i < resourceCount; ++i) {
    const Resource* r = &resources[i];
    if (r->type == RT_BITMAP && r->name == MAKEINTRESOURCEA(id)) continue;
    if (!UpdateResourceA(update, r->type, r->name, r->language, r->data, r->size)) {
      fprintf(stderr, "set_strings: cannot copy a resource: error %lu\n", GetLastError());
      EndUpdateResourceA(update, TRUE);
      return 1;
    }
    ++kept;
  }
  if (kept == resourceCount) {
    fprintf(stderr, "set_strings: %s has no bitmap %u\n", exe, id);
    EndUpdateResourceA(update, TRUE);
    return 1;
  }
  if (!EndUpdateResourceA(update, FALSE)) {
    fprintf(stderr, "set_strings: cannot write %s: error %lu\n", exe, GetLastError());
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  HANDLE update;
  int i;
  if (argc < 3) {
    fprintf(stderr, "usage: set_strings EXE ID=TEXT... | set_strings EXE -bitmap:ID\n");
    return 2;
  }
  if (argc == 3 && strncmp(argv[2], "-bitmap:", 8) == 0)
    return RemoveBitmap(argv[1], (unsigned)strtoul(argv[2] + 8, NULL, 10));
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
