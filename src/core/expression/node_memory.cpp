// Node pages are carved from regions of 2 MiB mapped from the system and aligned to their size,
// so a node finds its page's header by masking its address, and a page its region's. A page is
// filled in when carved, in one call instead of a fault per 4 KiB. A region opts out of transparent
// huge pages: they made building and dropping 20 % faster, but giving back part of a region then
// splits its huge page, and the first walk over nodes after a large drop took 2 to 40 times
// longer than before it (instead of about 2). Filling each new region in whole as a huge page and
// opting out after did not pay either: reading and dropping one large model in turn took 6 % less
// time, but reading 40 and keeping them took 40 to 80 ms each instead of 37, from one run to the
// next (fresh huge pages are slow to fill on a virtual machine).
//
// A page that empties is only queued; `give_back_emptied_node_pages` (at the end of every release
// that freed a node) then unmaps each region left with no page in use, and hands the system the
// memory of each other emptied page but the system page holding its header, which it keeps while
// it waits in the list of free pages for reuse. Dropping a whole model thus unmaps whole regions.
//
// Under AddressSanitizer a page's slots are poisoned when it is opened for a size class, a node's
// bytes unpoisoned when its slot is handed out, and its whole slot poisoned again when freed (its
// first word is unpoisoned only while the free list's link is written or read). The header of a
// page stays unpoisoned, and a region is unpoisoned whole before it is unmapped: whatever the
// system maps there next is not ours.
#include "core/expression/node_memory.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <new>
#include <utility>

#ifdef ZORVANE_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace zorvane {

namespace {

#ifdef ZORVANE_ADDRESS_SANITIZER
void poison(const void* memory, std::size_t size) noexcept { ASAN_POISON_MEMORY_REGION(memory, size); }
void unpoison(const void* memory, std::size_t size) noexcept { ASAN_UNPOISON_MEMORY_REGION(memory, size); }
#else
void poison(const void*, std::size_t) noexcept {}
void unpoison(const void*, std::size_t) noexcept {}
#endif

constexpr std::size_t kPageSize = std::size_t(1) << 16;
constexpr std::size_t kRegionSize = std::size_t(1) << 21;
// Steps of 8 bytes would fit nodes more tightly (a product of two in 72 bytes, not 80) and read
// a large model 2-3 % faster, but nodes would then straddle cache lines: a walk over a sum of
// 10^6 terms took 10 % longer per term.
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = kLargestNode / kGrain;

enum class PageState : std::uint8_t { Listed, Full, Spare, Emptied, Free };

struct Page {
  Page* prev = nullptr;  ///< in its class's list of pages with a free slot, or the free pages
  Page* next = nullptr;  ///< ... and, once emptied, in the queue of pages to give back
  void* free = nullptr;  ///< freed slots, linked through their first word
  char* fresh = nullptr; ///< the first slot never used
  char* end = nullptr;   ///< past the last slot
  std::uint32_t live = 0;
  std::uint32_t size_class = 0;
  PageState state = PageState::Free;
  // In the first page of a region only: its pages in use (holding nodes, or a spare), and
  // while it is being given back, the next region to give back.
  bool region_doomed = false;
  std::uint32_t region_pages = 0;
  Page* next_doomed = nullptr;
};
constexpr std::size_t kHeaderSize = (sizeof(Page) + kGrain - 1) & ~(kGrain - 1);

// A doubly linked list of pages through `prev` and `next`.
struct PageList {
  Page* head = nullptr;
  void push(Page* page) noexcept {
    page->prev = nullptr;
    page->next = head;
    if (head != nullptr) head->prev = page;
    head = page;
  }
  void remove(Page* page) noexcept {
    (page->prev != nullptr ? page->prev->next : head) = page->next;
    if (page->next != nullptr) page->next->prev = page->prev;
  }
};

std::array<PageList, kClasses> g_listed;  // per class: pages with a free slot
std::array<Page*, kClasses> g_spare{};    // per class: one emptied page kept, so that a node made
                                          // and freed in turn maps and unmaps nothing
PageList g_free;                          // emptied pages of live regions, ready for any class
Page* g_emptied = nullptr;                // emptied since the last give-back, linked by `next`
char* g_carve = nullptr;                  // the next page never used of the newest region
char* g_carve_end = nullptr;
std::size_t g_pages = 0;
std::size_t g_regions = 0;
NodeAllocations g_allocations;
#ifdef ZORVANE_ADDRESS_SANITIZER
std::array<void*, kNodeQuarantine> g_quarantine{};  // a ring: the oldest slot is at g_quarantine_next
std::size_t g_quarantine_next = 0;
#endif

// What an emptied page keeps of itself: the system's page that holds its header.
const std::size_t g_kept_header = std::size_t(::sysconf(_SC_PAGESIZE));

Page* page_of(void* memory) noexcept {
  return reinterpret_cast<Page*>(reinterpret_cast<std::uintptr_t>(memory) & ~std::uintptr_t(kPageSize - 1));
}
Page* region_of(Page* page) noexcept {
  return reinterpret_cast<Page*>(reinterpret_cast<std::uintptr_t>(page) & ~std::uintptr_t(kRegionSize - 1));
}

// `size` bytes aligned to their size. The system places mappings one below the other, so a
// mapping is often aligned already; when not, map twice that and give back what lies around.
void* map_aligned(std::size_t size) {
  const int protection = PROT_READ | PROT_WRITE;
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS;
  void* mapped = ::mmap(nullptr, size, protection, flags, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<std::uintptr_t>(mapped);
  if (start % size == 0) return mapped;
  ::munmap(mapped, size);
  mapped = ::mmap(nullptr, 2 * size, protection, flags, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + size - 1) & ~std::uintptr_t(size - 1);
  if (aligned > start) ::munmap(mapped, aligned - start);
  if (aligned < start + size) ::munmap(reinterpret_cast<void*>(aligned + size), start + size - aligned);
  return reinterpret_cast<void*>(aligned);
}

// A page for `size_class`: its spare, a free page, or one carved from the newest region.
Page* new_page(std::size_t size_class) {
  Page* page = std::exchange(g_spare[size_class], nullptr);
  if (page == nullptr) {
    page = g_free.head;
    if (page != nullptr) {
      g_free.remove(page);
    } else {
      if (g_carve == g_carve_end) {
        g_carve = static_cast<char*>(map_aligned(kRegionSize));
        g_carve_end = g_carve + kRegionSize;
        ++g_regions;
        ::madvise(g_carve, kRegionSize, MADV_NOHUGEPAGE);  // a hint: may be refused
      }
#ifdef MADV_POPULATE_WRITE
      ::madvise(g_carve, kPageSize, MADV_POPULATE_WRITE);  // likewise
#endif
      unpoison(g_carve, kHeaderSize);
      page = ::new (static_cast<void*>(g_carve)) Page;
      g_carve += kPageSize;
    }
    ++region_of(page)->region_pages;
    ++g_pages;
  }
  const std::size_t slot = (size_class + 1) * kGrain;
  page->free = nullptr;
  page->fresh = reinterpret_cast<char*>(page) + kHeaderSize;
  page->end = page->fresh + (kPageSize - kHeaderSize) / slot * slot;
  page->live = 0;
  page->size_class = std::uint32_t(size_class);
  page->state = PageState::Listed;
  g_listed[size_class].push(page);
  poison(page->fresh, kPageSize - kHeaderSize);
  return page;
}

// A page whose last node is freed: kept as its class's spare, or queued to be given back.
void empty_page(Page* page) noexcept {
  if (page->state == PageState::Listed) g_listed[page->size_class].remove(page);
  if (g_spare[page->size_class] == nullptr) {
    page->state = PageState::Spare;
    g_spare[page->size_class] = page;
    return;
  }
  page->state = PageState::Emptied;
  page->next = g_emptied;
  g_emptied = page;
  --region_of(page)->region_pages;
  --g_pages;
}

}  // namespace

void* allocate_node_memory(std::size_t size) {
  const std::size_t size_class = (size + kGrain - 1) / kGrain - 1;
  Page* page = g_listed[size_class].head;
  if (page == nullptr) page = new_page(size_class);
  void* slot = page->free;
  if (slot != nullptr) {
    unpoison(slot, size);
    page->free = *static_cast<void**>(slot);
  } else {
    slot = page->fresh;
    page->fresh += (size_class + 1) * kGrain;
    unpoison(slot, size);
  }
  ++page->live;
  ++g_allocations.calls;
  g_allocations.bytes += size;
  if (page->free == nullptr && page->fresh == page->end) {
    g_listed[size_class].remove(page);
    page->state = PageState::Full;
  }
  return slot;
}

void free_node_memory(void* memory) noexcept {
  Page* page = page_of(memory);
#ifdef ZORVANE_ADDRESS_SANITIZER
  poison(memory, (page->size_class + 1) * kGrain);
  memory = std::exchange(g_quarantine[g_quarantine_next], memory);
  g_quarantine_next = (g_quarantine_next + 1) % kNodeQuarantine;
  if (memory == nullptr) return;
  page = page_of(memory);
  unpoison(memory, sizeof(void*));
#endif
  *static_cast<void**>(memory) = page->free;
  poison(memory, sizeof(void*));
  page->free = memory;
  if (--page->live == 0) {
    empty_page(page);
  } else if (page->state == PageState::Full) {
    page->state = PageState::Listed;
    g_listed[page->size_class].push(page);
  }
}

void give_back_emptied_node_pages() noexcept {
  // A page of a region still in use gives back its memory but its header and waits for reuse;
  // a region with no page in use goes whole, its free pages with it.
  if (g_emptied == nullptr) return;
  Page* doomed = nullptr;
  for (Page* page = std::exchange(g_emptied, nullptr); page != nullptr;) {
    Page* next = page->next;
    Page* region = region_of(page);
    if (region->region_pages != 0) {
      if (g_kept_header < kPageSize) {
        ::madvise(reinterpret_cast<char*>(page) + g_kept_header, kPageSize - g_kept_header, MADV_DONTNEED);
      }
      page->state = PageState::Free;
      g_free.push(page);
    } else if (!region->region_doomed) {
      region->region_doomed = true;
      region->next_doomed = doomed;
      doomed = region;
    }
    page = next;
  }
  while (doomed != nullptr) {
    Page* region = doomed;
    doomed = region->next_doomed;
    char* first = reinterpret_cast<char*>(region);
    char* carved = first + kRegionSize;
    if (g_carve > first && g_carve <= carved) {
      carved = g_carve;
      g_carve = g_carve_end = nullptr;  // the newest region goes: the next page maps a new one
    }
    for (char* at = first; at < carved; at += kPageSize) {
      Page* page = reinterpret_cast<Page*>(at);
      if (page->state == PageState::Free) g_free.remove(page);
    }
    unpoison(region, kRegionSize);
    ::munmap(region, kRegionSize);
    --g_regions;
  }
}

std::size_t node_pages() noexcept { return g_pages; }
std::size_t node_regions() noexcept { return g_regions; }
NodeAllocations node_allocations() noexcept { return g_allocations; }

}  // namespace zorvane
