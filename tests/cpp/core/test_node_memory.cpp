// Node memory: a freed node's slot is reused at once, in every size class, whether its page was
// full or not; building and dropping does not grow the pages held, emptied pages are given back, a
// kept node holds only its page, and running out of address space is std::bad_alloc. (What node
// memory does at each step is held to a model in test_node_memory_model.cpp.)
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "core/expression/arithmetic.hpp"
#include "core/expression/node.hpp"
#include "core/print/printer.hpp"

using namespace zorvane;

namespace {

Expr number(std::int64_t k) { return make_number(NumericValue::of_integer(k)); }

Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "p" + std::to_string(k); });
}

// Many distinct nodes of three sizes (literals past the cache of small ones, placeholders, products).
std::vector<Expr> build(std::size_t n) {
  std::vector<Expr> out;
  for (std::size_t k = 0; k < n; ++k) out.push_back(build_mul(number(std::int64_t(1000 + k)), symbol(int(k))));
  return out;
}

constexpr std::size_t kClasses = kLargestNode / 16;  // at most one emptied page kept per class

void a_freed_slot_is_reused_at_once() {
  std::vector<Expr> around = build(100);
  Expr node = symbol(1);
  const Node* slot = node.get();
  node = nullptr;
  assert(symbol(2).get() == slot);
  Expr literal = number(5000);
  const Node* literal_slot = literal.get();
  literal = symbol(3);  // another size: does not take the literal's slot
  assert(number(5001).get() == literal_slot);
}

std::uintptr_t page_of(const void* slot) {
  return reinterpret_cast<std::uintptr_t>(slot) & ~((std::uintptr_t(64) << 10) - 1);
}

// The same on node memory itself, for each size class: the class's slots are handed out from one
// page until it is full, so the slot before the first of another page lies in a full page.
void a_freed_slot_is_reused_at_once_in_every_class() {
  for (std::size_t size = 16; size <= kLargestNode; size += 16) {
    std::vector<void*> held = {allocate_node_memory(size)};
    do {
      held.push_back(allocate_node_memory(size));
    } while (page_of(held.back()) == page_of(held[held.size() - 2]));
    void* in_full_page = held[held.size() - 2];
    free_node_memory(in_full_page);
    assert(allocate_node_memory(size) == in_full_page);
    void* in_page_with_room = held.back();
    free_node_memory(in_page_with_room);
    assert(allocate_node_memory(size) == in_page_with_room);
    for (void* slot : held) free_node_memory(slot);
    give_back_emptied_node_pages();
  }
}

void rounds_do_not_grow() {
  std::size_t first_peak = 0;
  std::size_t first_after = 0;
  for (int round = 0; round < 20; ++round) {
    std::vector<Expr> made = build(50'000);
    const std::size_t peak = node_pages();
    made.clear();
    if (round == 0) {
      first_peak = peak;
      first_after = node_pages();
    }
    assert(peak == first_peak && node_pages() == first_after);
  }
}

// VmSize (address space) or VmRSS (resident memory) of this process, in bytes.
std::size_t status_bytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stoul(line.substr(field.size() + 1)) * 1024;
  }
  assert(false);
  return 0;
}

void emptied_pages_are_given_back() {
  const std::size_t before = node_pages();
  const std::size_t resident = status_bytes("VmRSS");
  const std::size_t mapped = status_bytes("VmSize");
  std::vector<Expr> made = build(400'000);
  const std::size_t full = node_pages();
  assert(full > before + 400);  // 1.2 million nodes of 32 to 136 bytes
  // A kept product keeps at most the pages of its three nodes, whatever was made around them; an
  // emptied page keeps 4 KiB of itself while its region holds nodes.
  std::vector<Expr> kept;
  for (std::size_t k = 0; k < made.size(); k += 10'000) kept.push_back(made[k]);
  std::vector<Expr>().swap(made);
  assert(node_pages() <= before + kept.size() * 3 + kClasses);
  assert(status_bytes("VmRSS") < resident + (std::size_t(24) << 20));  // of about 115 MiB
  kept.clear();
  assert(node_pages() <= before + kClasses);
  // Regions with no page in use are unmapped; a spare page keeps its region (2 MiB) mapped.
  std::printf("after dropping: %zu KiB more resident, %zu KiB more mapped\n",
              (status_bytes("VmRSS") - resident) >> 10, (status_bytes("VmSize") - mapped) >> 10);
  assert(status_bytes("VmRSS") < resident + (std::size_t(2) << 20));
  assert(status_bytes("VmSize") <= mapped + 3 * (std::size_t(2) << 20));  // three classes' spares
  // and what was freed serves the next nodes: nothing new is mapped for as many again
  made = build(400'000);
  assert(node_pages() <= full + kClasses);
}

// Pages are filled in when carved, and emptied ones given back: a region that a kept node holds
// is not resident beyond the pages carved from it.
void a_region_is_not_resident_beyond_its_carved_pages() {
  constexpr std::uintptr_t kRegion = std::uintptr_t(2) << 20;
  constexpr std::uintptr_t kPage = std::uintptr_t(64) << 10;
  const auto page_index = [&](std::uintptr_t at) { return (at & (kRegion - 1)) / kPage; };
  // Nodes of one size until one lands in the second page of a new region. Nothing is freed on
  // the way, so once a region's last page is used the next page is the first of a new region.
  std::vector<Expr> made;
  Expr kept;
  std::uintptr_t page = 0;
  bool new_region = false;
  for (int k = 0; !kept; ++k) {
    assert(k < 1'000'000);
    made.push_back(symbol(k));
    const auto at = reinterpret_cast<std::uintptr_t>(made.back().get());
    if ((at & ~(kPage - 1)) == page) continue;
    if (new_region && page_index(at) == 1 && (at & ~(kRegion - 1)) == (page & ~(kRegion - 1))) kept = made.back();
    new_region = page != 0 && page_index(page) == kRegion / kPage - 1 && page_index(at) == 0;
    page = at & ~(kPage - 1);
  }
  made.clear();  // empties pages: the release gives back what it can
  const auto region = reinterpret_cast<std::uintptr_t>(kept.get()) & ~(kRegion - 1);
  const std::size_t system_page = std::size_t(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> resident(kRegion / system_page);
  assert(::mincore(reinterpret_cast<void*>(region), kRegion, resident.data()) == 0);
  std::size_t pages = 0;
  for (unsigned char bits : resident) pages += bits & 1;
  std::fprintf(stderr, "the kept node's region: %zu KiB resident\n", pages * system_page >> 10);
  // its two carved pages; the 30 never carved are not resident
  assert(pages * system_page <= 2 * kPage);
}

void running_out_of_address_space_is_bad_alloc() {
  std::vector<Expr> made;
  made.reserve(4'000'000);  // room enough: only node memory can run out below
  rlimit saved{};
  getrlimit(RLIMIT_AS, &saved);
  rlimit limited = saved;
  limited.rlim_cur = status_bytes("VmSize") + (std::size_t(32) << 20);
  setrlimit(RLIMIT_AS, &limited);
  bool refused = false;
  try {
    for (std::int64_t k = 0; made.size() < made.capacity(); ++k) made.push_back(number(1000 + k));
  } catch (const std::bad_alloc&) {
    refused = true;
  }
  setrlimit(RLIMIT_AS, &saved);
  assert(refused && made.size() > 100'000);
  made.clear();
  assert(render(*number(1234), PrintMode::Str) == "1234");
}

}  // namespace

int main() {
  if (kNodeQuarantine != 0) {
    // Under AddressSanitizer freed slots wait in a quarantine and its shadow memory is part of
    // what the process maps: test_node_memory_model.cpp checks node memory there.
    std::puts("node memory: measured only without AddressSanitizer");
    return 0;
  }
  a_freed_slot_is_reused_at_once();
  a_freed_slot_is_reused_at_once_in_every_class();
  rounds_do_not_grow();
  emptied_pages_are_given_back();
  a_region_is_not_resident_beyond_its_carved_pages();
  running_out_of_address_space_is_bad_alloc();
  std::puts("node memory: ok");
  return 0;
}
