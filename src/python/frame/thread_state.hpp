// The thread-local state that libraries allocate on a thread's first use of it, made on a thread's
// first call into the module, before anything in the call can fail for want of memory.
#pragma once

#include <pthread.h>

namespace zorvane {
namespace detail {

/// Holds non-null in a thread whose state is made; not made (false) only if no key was left.
extern pthread_key_t g_thread_prepared;
extern bool g_thread_prepared_made;

bool prepare_thread() noexcept;

}  // namespace detail

/// Whether this thread may run the module's code: its C++ exception state and libuuid's state
/// exist. glibc ends the process ("cannot allocate memory for thread-local data") when such a
/// block cannot be allocated on first use, which a thread's first C++ exception would be when
/// it is the MemoryError of an allocation that failed. False: no memory for them now.
inline bool thread_prepared() noexcept {
  return (detail::g_thread_prepared_made && pthread_getspecific(detail::g_thread_prepared) != nullptr) ||
         detail::prepare_thread();
}

}  // namespace zorvane
