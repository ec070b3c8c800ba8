// Pages are mapped from the system one by one, aligned to their size, so a node finds its page's
// header by masking its address.
#include "core/expression/node_memory.hpp"

#include <array>
#include <cstdint>
#include <new>
#include <utility>

#ifndef ZORVANE_NODES_BY_NEW
#include <sys/mman.h>
#endif

namespace zorvane {

#ifdef ZORVANE_NODES_BY_NEW

void* allocate_node_memory(std::size_t size) { return ::operator new(size); }
void free_node_memory(void* memory) noexcept { ::operator delete(memory); }
std::size_t node_pages() noexcept { return 0; }
NodeAllocations node_allocations() noexcept { return {}; }

#else

namespace {

constexpr std::size_t kPageSize = std::size_t(1) << 16;
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = kLargestNode / kGrain;

struct Page {
  Page* prev = nullptr;  ///< in its class's list of pages with a free slot
  Page* next = nullptr;
  void* free = nullptr;  ///< freed slots, linked through their first word
  char* fresh;           ///< the first slot never used
  char* end;             ///< past the last slot
  std::uint32_t live = 0;
  std::uint32_t size_class;
  bool listed = false;
};
constexpr std::size_t kHeaderSize = (sizeof(Page) + kGrain - 1) & ~(kGrain - 1);

struct SizeClass {
  Page* pages = nullptr;  ///< pages with a free slot
  Page* spare = nullptr;  ///< one emptied page kept, so a node made and freed in turn maps nothing
};
std::array<SizeClass, kClasses> g_classes;
std::size_t g_pages = 0;
NodeAllocations g_allocations;

Page* page_of(void* memory) noexcept {
  return reinterpret_cast<Page*>(reinterpret_cast<std::uintptr_t>(memory) & ~std::uintptr_t(kPageSize - 1));
}

void link(Page* page) noexcept {
  SizeClass& c = g_classes[page->size_class];
  page->prev = nullptr;
  page->next = c.pages;
  if (c.pages != nullptr) c.pages->prev = page;
  c.pages = page;
  page->listed = true;
}

void unlink(Page* page) noexcept {
  SizeClass& c = g_classes[page->size_class];
  (page->prev != nullptr ? page->prev->next : c.pages) = page->next;
  if (page->next != nullptr) page->next->prev = page->prev;
  page->listed = false;
}

// A page of kPageSize bytes aligned to its size. The system places mappings one below the other,
// so a mapping of one page is mostly aligned already; when not, map twice that and give back what
// lies around the aligned page. Its memory is filled in at once: one call instead of a fault per
// 4 KiB.
void* map_page() {
  const int protection = PROT_READ | PROT_WRITE;
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS;
  void* mapped = ::mmap(nullptr, kPageSize, protection, flags, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<std::uintptr_t>(mapped);
  std::uintptr_t aligned = start;
  if (start % kPageSize != 0) {
    ::munmap(mapped, kPageSize);
    mapped = ::mmap(nullptr, 2 * kPageSize, protection, flags, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    start = reinterpret_cast<std::uintptr_t>(mapped);
    aligned = (start + kPageSize - 1) & ~std::uintptr_t(kPageSize - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    if (aligned + kPageSize < start + 2 * kPageSize) {
      ::munmap(reinterpret_cast<void*>(aligned + kPageSize), start + 2 * kPageSize - aligned - kPageSize);
    }
  }
#ifdef MADV_POPULATE_WRITE
  ::madvise(reinterpret_cast<void*>(aligned), kPageSize, MADV_POPULATE_WRITE);  // a hint: may fail
#endif
  ++g_pages;
  return reinterpret_cast<void*>(aligned);
}

Page* new_page(std::size_t size_class) {
  SizeClass& c = g_classes[size_class];
  void* memory = std::exchange(c.spare, nullptr);
  if (memory == nullptr) memory = map_page();
  Page* page = ::new (memory) Page;
  page->fresh = static_cast<char*>(memory) + kHeaderSize;
  page->end = page->fresh + (kPageSize - kHeaderSize) / ((size_class + 1) * kGrain) * ((size_class + 1) * kGrain);
  page->size_class = std::uint32_t(size_class);
  link(page);
  return page;
}

// A page whose last node is freed: kept as its class's spare, or given back to the system.
void drop_page(Page* page) noexcept {
  if (page->listed) unlink(page);
  SizeClass& c = g_classes[page->size_class];
  if (c.spare == nullptr) {
    c.spare = page;
    return;
  }
  ::munmap(page, kPageSize);
  --g_pages;
}

}  // namespace

void* allocate_node_memory(std::size_t size) {
  const std::size_t size_class = (size + kGrain - 1) / kGrain - 1;
  Page* page = g_classes[size_class].pages;
  if (page == nullptr) page = new_page(size_class);
  void* slot = page->free;
  if (slot != nullptr) {
    page->free = *static_cast<void**>(slot);
  } else {
    slot = page->fresh;
    page->fresh += (size_class + 1) * kGrain;
  }
  ++page->live;
  ++g_allocations.calls;
  g_allocations.bytes += size;
  if (page->free == nullptr && page->fresh == page->end) unlink(page);
  return slot;
}

void free_node_memory(void* memory) noexcept {
  Page* page = page_of(memory);
  *static_cast<void**>(memory) = page->free;
  page->free = memory;
  if (--page->live == 0) {
    drop_page(page);
  } else if (!page->listed) {
    link(page);
  }
}

std::size_t node_pages() noexcept { return g_pages; }
NodeAllocations node_allocations() noexcept { return g_allocations; }

#endif

}  // namespace zorvane
