// Where nodes live. A node is normally an allocation of its own. A reader that builds a whole
// model at once opens a NodeArena: while one is open, nodes are placed one after another in
// blocks of 32 KiB, so making a node costs a pointer bump, freeing one a count, and a model's
// nodes lie together in memory however fragmented the heap is.
//
// A block whose nodes are all freed is kept for the next reader, up to 64 MiB of them: a model
// read again and again then reuses the same memory instead of asking the system for fresh pages
// each time. A node kept alive keeps its block (as with the interpreter's own small-object
// arenas).
//
// Nodes are made and freed under one lock (the interpreter's), like everything in the core.
#pragma once

#include <cstddef>

namespace zorvane {

/// Memory for a node of `size` bytes: from the open arena (`pooled` set) or `operator new`.
void* allocate_node_memory(std::size_t size, bool& pooled);
/// Gives back what `allocate_node_memory` gave.
void free_node_memory(void* memory, std::size_t size, bool pooled) noexcept;

/// While one is alive (they nest), nodes are made in arena blocks.
class NodeArena {
 public:
  NodeArena() noexcept;
  ~NodeArena();
  NodeArena(const NodeArena&) = delete;
  NodeArena& operator=(const NodeArena&) = delete;
};

/// Blocks the arena holds now: those holding nodes, the one being filled and the kept empty ones.
std::size_t node_arena_blocks() noexcept;

}  // namespace zorvane
