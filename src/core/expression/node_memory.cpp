// Arena blocks are aligned to their size, so a pooled node finds its block's header by masking
// its address. Under AddressSanitizer every part of a block that holds no node is poisoned, so
// a use of a freed node is still reported.
#include "core/expression/node_memory.hpp"

#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ZORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORVANE_ASAN 1
#endif
#endif

#ifdef ZORVANE_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(memory, size) ASAN_POISON_MEMORY_REGION(memory, size)
#define UNPOISON(memory, size) ASAN_UNPOISON_MEMORY_REGION(memory, size)
#else
#define POISON(memory, size) ((void)(memory), (void)(size))
#define UNPOISON(memory, size) ((void)(memory), (void)(size))
#endif

namespace zorvane {
namespace {

// Under the heap's threshold for memory of its own mapping, so blocks come from the heap.
constexpr std::size_t kBlockSize = std::size_t(1) << 15;
constexpr std::size_t kAlignment = 16;
constexpr std::size_t kLargest = 1024;  // larger nodes are allocations of their own
constexpr std::size_t kMaxKept = (std::size_t(64) << 20) / kBlockSize;

struct Block {
  std::size_t live = 0;     ///< nodes placed in it and not yet freed
  Block* next = nullptr;    ///< while kept empty: the next kept block
};
constexpr std::size_t kHeaderSize = (sizeof(Block) + kAlignment - 1) & ~(kAlignment - 1);

std::size_t g_open = 0;      // arenas alive
Block* g_block = nullptr;    // the block nodes are placed in now
std::size_t g_used = 0;      // its bytes in use, the header included
Block* g_kept = nullptr;     // empty blocks kept for reuse
std::size_t g_kept_count = 0;
std::size_t g_blocks = 0;    // blocks allocated and not given back

Block* block_of(void* memory) noexcept {
  return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(memory) & ~std::uintptr_t(kBlockSize - 1));
}

// A block with no node left: kept for reuse, or given back past the limit.
void drop_block(Block* block) noexcept {
  if (g_kept_count < kMaxKept) {
    POISON(reinterpret_cast<char*>(block) + kHeaderSize, kBlockSize - kHeaderSize);
    block->next = g_kept;
    g_kept = block;
    ++g_kept_count;
    return;
  }
  UNPOISON(block, kBlockSize);
  ::operator delete(static_cast<void*>(block), std::align_val_t(kBlockSize));
  --g_blocks;
}

Block* new_block() {
  if (g_kept != nullptr) {
    Block* block = g_kept;
    g_kept = block->next;
    --g_kept_count;
    return ::new (static_cast<void*>(block)) Block;
  }
  void* memory = ::operator new(kBlockSize, std::align_val_t(kBlockSize));
  ++g_blocks;
  POISON(static_cast<char*>(memory) + kHeaderSize, kBlockSize - kHeaderSize);
  return ::new (memory) Block;
}

// Stops placing nodes in the current block; an empty one is dropped now, another by its last node.
void retire_block() noexcept {
  if (g_block != nullptr && g_block->live == 0) drop_block(g_block);
  g_block = nullptr;
  g_used = 0;
}

}  // namespace

void* allocate_node_memory(std::size_t size, bool& pooled) {
  const std::size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
  if (g_open == 0 || rounded > kLargest) {
    pooled = false;
    return ::operator new(size);
  }
  if (g_block == nullptr || g_used + rounded > kBlockSize) {
    Block* block = new_block();
    retire_block();
    g_block = block;
    g_used = kHeaderSize;
  }
  char* node = reinterpret_cast<char*>(g_block) + g_used;
  g_used += rounded;
  ++g_block->live;
  UNPOISON(node, size);
  pooled = true;
  return node;
}

void free_node_memory(void* memory, std::size_t size, bool pooled) noexcept {
  if (!pooled) {
    ::operator delete(memory);
    return;
  }
  POISON(memory, size);
  Block* block = block_of(memory);
  if (--block->live == 0 && block != g_block) drop_block(block);
}

NodeArena::NodeArena() noexcept { ++g_open; }

NodeArena::~NodeArena() {
  if (--g_open == 0) retire_block();
}

std::size_t node_arena_blocks() noexcept { return g_blocks; }

}  // namespace zorvane
