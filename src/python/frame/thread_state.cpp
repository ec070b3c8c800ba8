// A thread's first call: its thread-local blocks made while there is memory for them.
#include "python/frame/thread_state.hpp"

#include <uuid/uuid.h>

#include <cstdlib>
#include <exception>

namespace zorvane {
namespace detail {
namespace {

// More than the blocks need (32 bytes for libstdc++, 90 for libuuid) and room for glibc to grow
// the thread's table of blocks.
constexpr std::size_t kRoom = std::size_t(16) << 10;

bool make_key() noexcept { return pthread_key_create(&g_thread_prepared, nullptr) == 0; }

}  // namespace

pthread_key_t g_thread_prepared;
bool g_thread_prepared_made = make_key();

// The room is allocated and freed first: the blocks then come out of memory that this thread's
// allocator holds, and when there is none the call raises MemoryError without a C++ exception.
bool prepare_thread() noexcept {
  void* room = std::malloc(kRoom);
  if (room == nullptr) return false;
  std::free(room);
  // Each allocates its library's block on first use in a thread.
  volatile int uncaught = std::uncaught_exceptions();  // used, or a pure call could be dropped
  (void)uncaught;
  uuid_t unused;
  uuid_generate_random(unused);
  // Left unset when the key's table needs memory it cannot get: then this runs again next time.
  if (g_thread_prepared_made) pthread_setspecific(g_thread_prepared, &g_thread_prepared);
  return true;
}

}  // namespace detail
}  // namespace zorvane
