// A guard against running out of C stack in the deepest recursive walk (the printer).
#include "lib/stack.hpp"

#include <pthread.h>

#include <cstddef>

#include "lib/error.hpp"

namespace zorvane {
namespace {

// Enough for one more level of any walk plus raising the Python exception.
constexpr std::size_t kMargin = 64 * 1024;

// The lowest address this thread's stack may grow to before the margin; null when unknown.
const char* stack_floor() noexcept {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
  void* low = nullptr;
  std::size_t size = 0;
  const bool known = pthread_attr_getstack(&attr, &low, &size) == 0 && low != nullptr && size > kMargin;
  pthread_attr_destroy(&attr);
  return known ? static_cast<const char*>(low) + kMargin : nullptr;
}

}  // namespace

void check_stack() {
  thread_local const char* const floor = stack_floor();
  const auto* here = static_cast<const char*>(__builtin_frame_address(0));
  if (floor != nullptr && here < floor) {
    raise(ErrorKind::Recursion, "the expression is nested too deeply for this thread's stack");
  }
}

}  // namespace zorvane
