/* read_resources EXE: prints what the Win32 resource functions read from EXE, loaded
 * as a data file: every launch configuration entry (LoadStringA), the first icon
 * group and its icons, the version resource (GetFileVersionInfoA / VerQueryValueA)
 * and the splash bitmap (LoadBitmapA). One fact per line:
 *
 *   string ID<TAB>TEXT            (backslash, tab, CR and LF escaped)
 *   icon_group count=N
 *   icon WxH bpp=B bytes=N id=I found=0|1
 *   icon_load ok|failed
 *   version file=A.B.C.D product=A.B.C.D
 *   version_string KEY<TAB>VALUE
 *   bitmap WxH bpp=B | bitmap failed
 *   message ID<TAB>TEXT           (FormatMessageA with the insertion "inserted")
 *   manifest<TAB>TEXT             (RT_MANIFEST 1, escaped) | manifest none
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static void PrintEscapedBytes(const char* text, const char* end) {
  for (; text < end; ++text) {
    switch (*text) {
      case '\\':
        fputs("\\\\", stdout);
        break;
      case '\t':
        fputs("\\t", stdout);
        break;
      case '\r':
        fputs("\\r", stdout);
        break;
      case '\n':
        fputs("\\n", stdout);
        break;
      default:
        putchar(*text);
    }
  }
}

static void PrintEscaped(const char* text) { PrintEscapedBytes(text, text + strlen(text)); }

static void PrintManifest(HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  const char* bytes;
  if (!found) {
    puts("manifest none");
    return;
  }
  bytes = (const char*)LockResource(LoadResource(module, found));
  fputs("manifest\t", stdout);
  PrintEscapedBytes(bytes, bytes + SizeofResource(module, found));
  putchar('\n');
}

static void PrintIcons(HMODULE module) {
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_GROUP_ICON);
  const BYTE* bytes;
  int count, i;
  HICON icon;
  if (!group) {
    puts("icon_group count=0");
    return;
  }
  bytes = (const BYTE*)LockResource(LoadResource(module, group));
  count = bytes[4] | (bytes[5] << 8);
  printf("icon_group count=%d\n", count);
  for (i = 0; i < count; ++i) {
    const BYTE* entry = bytes + 6 + 14 * i;
    const int id = entry[12] | (entry[13] << 8);
    const DWORD size = entry[8] | (entry[9] << 8) | (entry[10] << 16) | ((DWORD)entry[11] << 24);
    HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_ICON);
    printf("icon %dx%d bpp=%d bytes=%lu id=%d found=%d\n", entry[0] ? entry[0] : 256,
           entry[1] ? entry[1] : 256, entry[6] | (entry[7] << 8), (unsigned long)size, id,
           image != NULL && SizeofResource(module, image) == size);
  }
  icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0);
  puts(icon ? "icon_load ok" : "icon_load failed");
}

static void PrintVersion(const char* path) {
  static const char* const keys[] = {"CompanyName",   "FileDescription", "FileVersion",
                                     "ProductName",   "ProductVersion",  "OriginalFilename",
                                     "LegalCopyright"};
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  char* data;
  VS_FIXEDFILEINFO* fixed;
  UINT length;
  unsigned i;
  if (size == 0) {
    puts("version none");
    return;
  }
  data = (char*)malloc(size);
  if (!GetFileVersionInfoA(path, 0, size, data) ||
      !VerQueryValueA(data, "\\", (void**)&fixed, &length)) {
    puts("version unreadable");
    return;
  }
  printf(
      "version file=%lu.%lu.%lu.%lu product=%lu.%lu.%lu.%lu\n",
      (unsigned long)HIWORD(fixed->dwFileVersionMS), (unsigned long)LOWORD(fixed->dwFileVersionMS),
      (unsigned long)HIWORD(fixed->dwFileVersionLS), (unsigned long)LOWORD(fixed->dwFileVersionLS),
      (unsigned long)HIWORD(fixed->dwProductVersionMS),
      (unsigned long)LOWORD(fixed->dwProductVersionMS),
      (unsigned long)HIWORD(fixed->dwProductVersionLS),
      (unsigned long)LOWORD(fixed->dwProductVersionLS));
  for (i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    char query[128];
    char* value;
    snprintf(query, sizeof query, "\\StringFileInfo\\040904B0\\%s", keys[i]);
    if (VerQueryValueA(data, query, (void**)&value, &length)) {
      printf("version_string %s\t", keys[i]);
      PrintEscaped(value);
      putchar('\n');
    }
  }
}

int main(int argc, char** argv) {
  HMODULE module;
  unsigned id;
  HBITMAP bitmap;
  if (argc != 2) {
    fputs("usage: read_resources EXE\n", stderr);
    return 2;
  }
  module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    fprintf(stderr, "cannot load %s: error %lu\n", argv[1], (unsigned long)GetLastError());
    return 1;
  }
  /* Every entry number a setting may have, those added later included. */
  for (id = 1024; id < 4096; id += 16) {
    char text[1024];
    if (LoadStringA(module, id, text, sizeof text) > 0) {
      printf("string %u\t", id);
      PrintEscaped(text);
      putchar('\n');
    }
  }
  PrintIcons(module);
  PrintVersion(argv[1]);
  bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(8000));
  if (bitmap) {
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    printf("bitmap %ldx%ld bpp=%d\n", (long)info.bmWidth, (long)info.bmHeight, info.bmBitsPixel);
  } else {
    puts("bitmap failed");
  }
  for (id = 0; id < 2; ++id) {
    static const DWORD events[] = {0x40000001, 0xC0000002};
    const char* inserts[] = {"inserted"};
    char text[256];
    if (FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module,
                       events[id], MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text,
                       (va_list*)inserts)) {
      printf("message 0x%08lX\t", (unsigned long)events[id]);
      PrintEscaped(text);
      putchar('\n');
    }
  }
  PrintManifest(module);
  fflush(stdout);
  return 0;
}
