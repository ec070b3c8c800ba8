// Counts the calls of the global operator new and the bytes they ask for, node memory's
// included, so a test can show that work grows linearly by counting instead of reading a clock.
// The replacement operators are defined here: include this header in exactly one file of a test
// program.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include "core/expression/node_memory.hpp"

namespace allocation_count {

struct Count {
  std::size_t calls = 0;
  std::size_t bytes = 0;
};

inline Count total;

/// What `f()` allocates, nodes included.
template <class F>
Count during(F&& f) {
  const Count before = total;
  const zorvane::NodeAllocations nodes_before = zorvane::node_allocations();
  f();
  const zorvane::NodeAllocations nodes = zorvane::node_allocations();
  return {total.calls - before.calls + nodes.calls - nodes_before.calls,
          total.bytes - before.bytes + nodes.bytes - nodes_before.bytes};
}

}  // namespace allocation_count

void* operator new(std::size_t size) {
  ++allocation_count::total.calls;
  allocation_count::total.bytes += size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// libstdc++'s array and nothrow forms call the ones above, AddressSanitizer's runtime replaces
// them with its own: route them here in every build, so that their blocks are counted too.
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
