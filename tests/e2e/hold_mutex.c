/* Holds a named mutex until a file appears, as a running launcher would.
 *
 *   hold_mutex NAME READYFILE STOPFILE
 *
 * Creates READYFILE once the mutex is held. */
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  HANDLE mutex;
  FILE* ready;
  if (argc != 4) {
    fprintf(stderr, "usage: hold_mutex NAME READYFILE STOPFILE\n");
    return 2;
  }
  mutex = CreateMutexA(NULL, TRUE, argv[1]);
  if (mutex == NULL) return 1;
  ready = fopen(argv[2], "w");
  if (ready != NULL) fclose(ready);
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  CloseHandle(mutex);
  return 0;
}
