/* Preloaded into a launcher to make memory run out where a test wants it: every
 * malloc, calloc or realloc of CORVANE_FAIL_ALLOCATIONS_FROM bytes or more fails, as
 * it would in a process whose memory is used up. Smaller ones go to the C library. */
#include <errno.h>
#include <stdlib.h>

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);

static size_t Limit(void) {
  static size_t limit;
  if (limit == 0) {
    const char* text = getenv("CORVANE_FAIL_ALLOCATIONS_FROM");
    limit = text ? (size_t)strtoull(text, NULL, 10) : 0;
    if (limit == 0) limit = (size_t)-1;
  }
  return limit;
}

static int TooLarge(size_t size) {
  if (size < Limit()) return 0;
  errno = ENOMEM;
  return 1;
}

void* malloc(size_t size) { return TooLarge(size) ? NULL : __libc_malloc(size); }

void* calloc(size_t count, size_t size) {
  if (size != 0 && count > (size_t)-1 / size) return __libc_calloc(count, size);
  return TooLarge(count * size) ? NULL : __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
  return TooLarge(size) ? NULL : __libc_realloc(block, size);
}
