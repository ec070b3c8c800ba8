// Where nodes live. Every node, built or read from bytes, takes a slot in a page of 64 KiB that
// holds nodes of one size class (multiples of 16 bytes), as the interpreter's small-object
// allocator does: each page keeps a list of its freed slots, so a freed node's slot is reused
// at once, a kept node holds only its own slot (and its page), and a page whose last node is
// freed goes back to the system at once (one emptied page per size class is kept for the next
// node). Freeing millions of nodes leaves no work behind: glibc's malloc consolidates freed
// small chunks on a later large request, so a dropped 10^6-term sum slowed the next small walk
// from 0.1 ms to 170 ms.
//
// Pools of our own were measured against mimalloc (Debian's libmimalloc-dev 2.0.9, mi_malloc for
// nodes only) and kept. mimalloc built a 300 000-term sum 15 % faster and dropped it 35 % faster,
// because it keeps emptied pages instead of giving them back: RSS stayed 4-7x up after a drop
// until later allocations asked it to purge. And Debian's shared library also exports malloc and
// operator new/delete, which took over the module's own operator new/delete when it came before
// libstdc++ in the module's lookup scope (a crash in `import zorvane` after `import numpy`).
//
// Built with ZORVANE_NODES_BY_NEW (sanitizer and fuzzing builds), nodes are plain operator new /
// delete, so AddressSanitizer sees each one and reports a use after free.
//
// Nodes are made and freed under one lock (the interpreter's), like everything in the core.
#pragma once

#include <cstddef>

namespace zorvane {

/// Nodes are at most this large (node.hpp checks each kind).
inline constexpr std::size_t kLargestNode = 256;

/// Memory for a node of `size` bytes; throws std::bad_alloc when the system has none.
void* allocate_node_memory(std::size_t size);
/// Gives back what `allocate_node_memory` gave. Never allocates. A page that empties waits for
/// `give_back_emptied_node_pages`.
void free_node_memory(void* memory) noexcept;
/// Returns the pages emptied since the last call to the system (unmapping whole regions where it
/// can). Called once a release has freed its nodes; never allocates.
void give_back_emptied_node_pages() noexcept;
/// Pages of node memory mapped now (0 when nodes are operator new of their own).
std::size_t node_pages() noexcept;

/// Node allocations made so far and the bytes they asked for, for tests that count what work
/// allocates (zero when nodes are operator new of their own, which such tests count already).
struct NodeAllocations {
  std::size_t calls = 0;
  std::size_t bytes = 0;
};
NodeAllocations node_allocations() noexcept;

}  // namespace zorvane
