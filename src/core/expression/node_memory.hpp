// Where nodes live. Every node, built or read from bytes, takes a slot in a page of 64 KiB that
// holds nodes of one size class (multiples of 16 bytes), as the interpreter's small-object
// allocator does: each page keeps a list of its freed slots, so a freed node's slot is reused
// at once and a kept node holds only its own slot and its page. Pages that empty go back to the
// system when the release that emptied them ends (one emptied page per size class is kept for
// the next node), so dropping a model leaves neither memory nor work behind: with glibc's
// malloc, which consolidates freed small chunks on a later large request, a dropped 10^6-term
// sum slowed the next small walk from 0.09 ms to 170 ms. node_memory.cpp says how pages are
// mapped.
//
// Pools of our own were measured against mimalloc (Debian's libmimalloc-dev 2.0.9, mi_malloc for
// nodes only, the process's malloc left alone) and kept. They build and drop a 300 000-term sum
// about as fast (89 and 15 ms against 92 and 15 ms), but mimalloc keeps emptied pages until
// later allocations make it purge them (RSS stayed 4-7x up after a drop), and Debian's shared
// library also exports malloc and operator new/delete, which took over the module's own
// operator new/delete when it came before libstdc++ in the module's lookup scope (a crash in
// `import zorvane` after `import numpy`).
//
// Under AddressSanitizer (the sanitizer and fuzzing builds) node memory tells it which bytes
// hold a node: the slots not handed out, the bytes of a slot past its node and the pages given
// back are poisoned, so a use of a freed node is reported as a use of poisoned memory. A freed
// slot then waits in a quarantine of `kNodeQuarantine` slots before it is reused, as ASan's own
// freed blocks do: reused at once, it would hold the next node of its size, and a use of the
// freed node would read that one unreported.
//
// Nodes are made and freed under one lock (the interpreter's), like everything in the core.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define ZORVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORVANE_ADDRESS_SANITIZER 1
#endif
#endif

namespace zorvane {

/// Nodes are at most this large (node.hpp checks each kind).
inline constexpr std::size_t kLargestNode = 256;

/// Freed slots held back, poisoned, before reuse: the oldest goes back to its page when another
/// comes. Under AddressSanitizer only (a quarantine of at most 8 MiB, ASan's own holds 256 MiB).
#ifdef ZORVANE_ADDRESS_SANITIZER
inline constexpr std::size_t kNodeQuarantine = std::size_t(1) << 15;
#else
inline constexpr std::size_t kNodeQuarantine = 0;
#endif

/// Memory for a node of `size` bytes; throws std::bad_alloc when the system has none.
void* allocate_node_memory(std::size_t size);
/// Gives back what `allocate_node_memory` gave. Never allocates. A page that empties waits for
/// `give_back_emptied_node_pages`.
void free_node_memory(void* memory) noexcept;
/// Returns the pages emptied since the last call to the system (unmapping whole regions where it
/// can). Called once a release has freed its nodes; never allocates.
void give_back_emptied_node_pages() noexcept;
/// Pages of node memory in use now: holding nodes (a quarantined slot holds its page), or kept
/// empty for the next one.
std::size_t node_pages() noexcept;
/// Regions of 2 MiB mapped now, for tests: one with no page in use goes at the next give-back.
std::size_t node_regions() noexcept;

/// Node allocations made so far and the bytes they asked for, for tests that count what work
/// allocates.
struct NodeAllocations {
  std::size_t calls = 0;
  std::size_t bytes = 0;
};
NodeAllocations node_allocations() noexcept;

}  // namespace zorvane
