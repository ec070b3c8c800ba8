// Node memory against a plain model of what was allocated and freed, over seeded random runs of
// allocations and frees of every size class. From the page each slot lies in, the model says what
// node memory must do at every step: hand out a page's freed slots before its fresh ones, and its
// fresh ones in order; open no page for a class while one of its pages has room; open the class's
// spare page first, then a page given back, and carve a new page only when neither exists; keep
// one emptied page per class and count every other out at once; at the next give-back hand the
// system the memory of each emptied page (its header kept) and unmap each region left with no page
// in use. Counts, regions and the nodes' bytes are checked after every step. Under AddressSanitizer
// freed slots pass through the quarantine first, and what is poisoned is checked too.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

#include "core/expression/node_memory.hpp"

#ifdef ZORVANE_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

using namespace zorvane;

namespace {

constexpr std::uintptr_t kPage = std::uintptr_t(64) << 10;
constexpr std::uintptr_t kRegion = std::uintptr_t(2) << 20;
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = kLargestNode / kGrain;

std::uintptr_t page_of(std::uintptr_t at) { return at & ~(kPage - 1); }
std::uintptr_t region_of(std::uintptr_t at) { return at & ~(kRegion - 1); }
std::size_t slot_size(std::size_t size_class) { return (size_class + 1) * kGrain; }

// Under AddressSanitizer: whether every byte of [at, at + size) is poisoned, or none.
#ifdef ZORVANE_ADDRESS_SANITIZER
bool all_poisoned(std::uintptr_t at, std::size_t size) {
  for (std::size_t k = 0; k < size; k += 8) {
    if (!__asan_address_is_poisoned(reinterpret_cast<void*>(at + k))) return false;
  }
  return true;
}
bool none_poisoned(std::uintptr_t at, std::size_t size) {
  return __asan_region_is_poisoned(reinterpret_cast<void*>(at), size) == nullptr;
}
#else
bool all_poisoned(std::uintptr_t, std::size_t) { return true; }
bool none_poisoned(std::uintptr_t, std::size_t) { return true; }
#endif

enum class State { InUse, Spare, Emptied, Free };

struct PageModel {
  State state = State::InUse;
  std::size_t size_class = 0;
  std::size_t live = 0;           // slots handed out and not back on the page (quarantined ones too)
  std::uintptr_t fresh = 0;       // the next slot never handed out since the page was opened
  std::set<std::uintptr_t> freed;  // slots back on the page
};

bool has_room(std::uintptr_t page_at, const PageModel& page) {
  return !page.freed.empty() || page.fresh + slot_size(page.size_class) <= page_at + kPage;
}

struct Held {
  std::size_t size;
  std::uint64_t stamp;
  std::size_t index;  // in `Model::order_`
};

class Model {
 public:
  // What the steps went through, so that a run shows it reached each case.
  struct Seen {
    std::size_t frees_in_full_pages = 0;
    std::size_t spares_opened = 0;
    std::size_t free_pages_opened = 0;
    std::size_t new_pages_opened = 0;
    std::size_t pages_given_back = 0;
    std::size_t regions_unmapped = 0;
  } seen;

  Model() { assert(node_pages() == 0 && node_regions() == 0); }

  std::size_t live() const { return order_.size(); }
  std::uintptr_t slot(std::size_t index) const { return order_[index]; }

  void allocate(std::size_t size) {
    const std::size_t size_class = (size - 1) / kGrain;
    const std::size_t slot = slot_size(size_class);
    const auto at = reinterpret_cast<std::uintptr_t>(allocate_node_memory(size));
    const std::uintptr_t page_at = page_of(at);
    auto found = pages_.find(page_at);
    if (found != pages_.end() && found->second.state == State::InUse) {
      PageModel& page = found->second;
      assert(page.size_class == size_class);
      if (!page.freed.empty()) {
        const bool was_freed = page.freed.erase(at) == 1;
        assert(was_freed);  // a freed slot before a fresh one
      } else {
        assert(at == page.fresh && at + slot <= page_at + kPage);
        page.fresh += slot;
      }
      ++page.live;
    } else {
      open(at, size_class, found == pages_.end() ? nullptr : &found->second);
    }
    assert(none_poisoned(at, size) && all_poisoned(at + size, slot - size));
    const Held held{size, next_stamp_++, order_.size()};
    order_.push_back(at);
    held_.emplace(at, held);
    fill(at, held);
    allocations_.calls += 1;
    allocations_.bytes += size;
    check_counts();
  }

  void free(std::uintptr_t at) {
    auto found = held_.find(at);
    assert(found != held_.end());
    assert(intact(at, found->second));
    const std::size_t index = found->second.index;
    order_[index] = order_.back();
    held_.at(order_[index]).index = index;
    order_.pop_back();
    held_.erase(found);
    free_node_memory(reinterpret_cast<void*>(at));
    assert(all_poisoned(at, slot_size(pages_.at(page_of(at)).size_class)));
    quarantine_.push_back(at);
    if (quarantine_.size() > kNodeQuarantine) {
      back_to_page(quarantine_.front());
      quarantine_.pop_front();
    }
    check_counts();
  }

  void give_back() {
    give_back_emptied_node_pages();
    const auto system_page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    for (std::uintptr_t page_at : emptied_) {
      if (regions_.at(region_of(page_at)) == 0) continue;  // its region goes below
      pages_.at(page_at).state = State::Free;
      // Given back but its header: the rest is no longer resident.
      std::vector<unsigned char> resident((kPage - system_page) / system_page);
      assert(::mincore(reinterpret_cast<void*>(page_at + system_page), kPage - system_page, resident.data()) == 0);
      for (unsigned char bits : resident) assert((bits & 1) == 0);
      assert(all_poisoned(page_at + header_, kPage - header_));
      ++seen.pages_given_back;
    }
    emptied_.clear();
    for (auto region = regions_.begin(); region != regions_.end();) {
      if (region->second != 0) {
        ++region;
        continue;
      }
      unsigned char bits = 0;  // gone: its first page is no longer mapped
      assert(::mincore(reinterpret_cast<void*>(region->first), system_page, &bits) == -1 && errno == ENOMEM);
      assert(none_poisoned(region->first, kRegion));  // what is mapped there next is not ours
      ++seen.regions_unmapped;
      std::erase_if(pages_, [&](const auto& page) { return region_of(page.first) == region->first; });
      region = regions_.erase(region);
    }
    check_counts();
  }

  // Every node's bytes are as written, and every page in use holds what the model says.
  void check_all() const {
    for (const auto& [at, held] : held_) assert(intact(at, held));
    std::map<std::uintptr_t, std::size_t> live;
    for (std::uintptr_t at : quarantine_) ++live[page_of(at)];
    for (const auto& [at, held] : held_) ++live[page_of(at)];
    for (const auto& [page_at, page] : pages_) {
      if (page.state == State::InUse) assert(live[page_at] == page.live && page.live > 0);
    }
  }

 private:
  // A slot in a page with no node: the class's spare, a page given back, or a new one.
  void open(std::uintptr_t at, std::size_t size_class, PageModel* known) {
    const std::uintptr_t page_at = page_of(at);
    for (const auto& [other_at, other] : pages_) {
      assert(!(other.state == State::InUse && other.size_class == size_class && has_room(other_at, other)));
    }
    if (spare_[size_class] != 0) {
      assert(page_at == spare_[size_class]);
      spare_[size_class] = 0;
      ++seen.spares_opened;
    } else {
      const bool any_free = std::any_of(pages_.begin(), pages_.end(),
                                        [](const auto& page) { return page.second.state == State::Free; });
      assert(any_free ? known != nullptr && known->state == State::Free : known == nullptr);
      ++(any_free ? seen.free_pages_opened : seen.new_pages_opened);
      ++pages_in_use_;
      ++regions_[region_of(page_at)];
    }
    if (header_ == 0) header_ = at - page_at;
    assert(at == page_at + header_);  // the first slot of a page
    PageModel& page = pages_[page_at];
    page = PageModel{State::InUse, size_class, 1, at + slot_size(size_class), {}};
    assert(all_poisoned(page.fresh, page_at + kPage - page.fresh));
  }

  // A freed slot leaves the quarantine (at once without it) for its page's list of freed slots.
  void back_to_page(std::uintptr_t at) {
    const std::uintptr_t page_at = page_of(at);
    PageModel& page = pages_.at(page_at);
    if (!has_room(page_at, page)) ++seen.frees_in_full_pages;
    page.freed.insert(at);
    if (--page.live != 0) return;
    if (spare_[page.size_class] == 0) {
      spare_[page.size_class] = page_at;
      page.state = State::Spare;
      return;
    }
    page.state = State::Emptied;
    emptied_.push_back(page_at);
    --pages_in_use_;
    --regions_.at(region_of(page_at));
  }

  void check_counts() const {
    assert(node_pages() == pages_in_use_);
    assert(node_regions() == regions_.size());
    const NodeAllocations made = node_allocations();
    assert(made.calls == allocations_.calls && made.bytes == allocations_.bytes);
  }

  static std::uint64_t word(const Held& held, std::size_t k) { return held.stamp * 0x9E3779B97F4A7C15u + k; }
  static void fill(std::uintptr_t at, const Held& held) {
    auto* words = reinterpret_cast<std::uint64_t*>(at);
    for (std::size_t k = 0; k < held.size / 8; ++k) words[k] = word(held, k);
  }
  static bool intact(std::uintptr_t at, const Held& held) {
    const auto* words = reinterpret_cast<const std::uint64_t*>(at);
    for (std::size_t k = 0; k < held.size / 8; ++k) {
      if (words[k] != word(held, k)) return false;
    }
    return true;
  }

  std::unordered_map<std::uintptr_t, Held> held_;  // handed out and not freed, by address
  std::vector<std::uintptr_t> order_;              // the same, to pick one at random
  std::deque<std::uintptr_t> quarantine_;
  std::unordered_map<std::uintptr_t, PageModel> pages_;  // pages in use, emptied or free
  std::map<std::uintptr_t, std::size_t> regions_;        // mapped regions, with their pages in use
  std::vector<std::uintptr_t> emptied_;                  // since the last give-back
  std::array<std::uintptr_t, kClasses> spare_{};
  std::size_t pages_in_use_ = 0;
  std::uintptr_t header_ = 0;
  NodeAllocations allocations_;
  std::uint64_t next_stamp_ = 1;
};

// Phases of random steps: each uses one, two or every size class and moves the number of slots
// held toward a target, giving back after a quarter of the frees (as releases do); some phases
// instead free every slot in address order, as dropping a model built in one go does.
void run(Model& model, std::uint64_t seed, int phases) {
  std::mt19937_64 rng(seed);
  constexpr std::array<std::size_t, 6> kTargets = {0, 300, 3'000, 12'000, 30'000, 60'000};
  for (int phase = 0; phase < phases; ++phase) {
    if (rng() % 5 == 0) {
      std::vector<std::uintptr_t> all;
      for (std::size_t k = 0; k < model.live(); ++k) all.push_back(model.slot(k));
      std::sort(all.begin(), all.end());
      for (std::uintptr_t at : all) model.free(at);
      model.give_back();
      model.check_all();
      continue;
    }
    std::vector<std::size_t> classes;
    const std::size_t used = rng() % 3 == 0 ? kClasses : 1 + rng() % 2;
    for (std::size_t k = 0; k < used; ++k) classes.push_back(used == kClasses ? k : rng() % kClasses);
    const std::size_t target = kTargets[rng() % kTargets.size()];
    // the count held drifts half a slot a step toward the target: twice the distance reaches it
    const std::size_t distance = target > model.live() ? target - model.live() : model.live() - target;
    const std::size_t steps = 2 * distance + rng() % 10'000;
    for (std::size_t step = 0; step < steps; ++step) {
      const bool grow = model.live() == 0 || rng() % 4 < (model.live() < target ? 3u : 1u);
      if (grow) {
        const std::size_t size_class = classes[rng() % classes.size()];
        model.allocate(slot_size(size_class) - 8 * (rng() % 2));
      } else {
        model.free(model.slot(rng() % model.live()));
        if (rng() % 4 == 0) model.give_back();
      }
    }
    model.give_back();
    model.check_all();
  }
}

}  // namespace

int main() {
  Model model;
  for (std::uint64_t seed = 1; seed <= 3; ++seed) run(model, seed, 30);
  while (model.live() != 0) model.free(model.slot(model.live() - 1));
  model.give_back();
  model.check_all();
  const Model::Seen& seen = model.seen;
  std::fprintf(stderr, "node memory model: (%zu frees in full pages; pages opened: %zu spare, %zu given back, %zu new; "
              "%zu pages given back, %zu regions unmapped)\n",
              seen.frees_in_full_pages, seen.spares_opened, seen.free_pages_opened, seen.new_pages_opened,
              seen.pages_given_back, seen.regions_unmapped);
  assert(seen.frees_in_full_pages > 0 && seen.spares_opened > 0 && seen.free_pages_opened > 0 &&
         seen.new_pages_opened > 0 && seen.pages_given_back > 0 && seen.regions_unmapped > 0);
  return 0;
}
