/* Takes what malloc has left, so that a test can call into zorvane with (almost) none: a thread's
   allocator then fails where the Python allocator, which keeps pools of its own, still gives. */
#include <stdlib.h>

static void** blocks;
static size_t count, capacity;

/* Room for the blocks' addresses, made before memory is limited. */
int reserve(size_t n) {
  blocks = malloc(n * sizeof *blocks);
  capacity = blocks ? n : 0;
  return blocks != 0;
}

/* Every block malloc gives, from 1 MiB down to 8 bytes; then the last `k` are given back. */
void fill(size_t k) {
  for (size_t size = (size_t)1 << 20; size >= 8; size /= 2) {
    void* block;
    while (count < capacity && (block = malloc(size)) != 0) blocks[count++] = block;
  }
  for (size_t i = 0; i < k && count > 0; ++i) free(blocks[--count]);
}

void release(void) {
  while (count > 0) free(blocks[--count]);
}
