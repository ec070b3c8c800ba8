// Nodes made while an arena is open live in its blocks and outlive it; blocks emptied are reused
// by the next arena, and kept only up to the limit; nodes of either kind free alike.
#include <cassert>
#include <cstdio>
#include <string>
#include <vector>

#include "core/expression/arithmetic.hpp"
#include "core/expression/node.hpp"
#include "core/expression/node_memory.hpp"
#include "core/print/printer.hpp"

using namespace zorvane;

namespace {

Expr number(std::int64_t k) { return make_number(NumericValue::of_integer(k)); }

Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "p" + std::to_string(k); });
}

// Many distinct nodes of several sizes (literals past the cache of small ones, products).
std::vector<Expr> build(std::size_t n) {
  std::vector<Expr> out;
  for (std::size_t k = 0; k < n; ++k) out.push_back(build_mul(number(std::int64_t(1000 + k)), symbol(int(k))));
  return out;
}

void nodes_outlive_their_arena() {
  Expr outside = symbol(0);
  assert(!outside->pooled);
  std::vector<Expr> kept;
  {
    NodeArena arena;
    kept = build(2000);
    {
      NodeArena inner;  // arenas nest: the outer one stays open
      kept.push_back(symbol(1));
    }
    kept.push_back(symbol(2));
    for (const Expr& node : kept) assert(node->pooled);
  }
  assert(!symbol(3)->pooled);
  assert(render(*kept[5], PrintMode::Str) == "1005 * p5");
  // Freed in any order, with or without an arena open.
  for (std::size_t k = 0; k < kept.size(); k += 2) kept[k] = outside;
  NodeArena later;
  kept.clear();
}

void emptied_blocks_are_reused() {
  for (int round = 0; round < 20; ++round) {
    NodeArena arena;
    build(50'000);  // made and freed at once
  }
  const std::size_t after_one = node_arena_blocks();
  assert(after_one > 100);  // the emptied blocks are kept, not given back
  for (int round = 0; round < 20; ++round) {
    std::vector<Expr> kept;
    {
      NodeArena arena;
      kept = build(50'000);
    }
  }
  assert(node_arena_blocks() == after_one);
}

void blocks_past_the_limit_are_given_back() {
  {
    std::vector<Expr> kept;
    NodeArena arena;
    kept = build(400'000);  // well past 64 MiB of blocks
    assert(node_arena_blocks() * (std::size_t(1) << 15) > (std::size_t(64) << 20));
  }
  assert(node_arena_blocks() <= (std::size_t(64) << 20) / (std::size_t(1) << 15) + 1);
}

}  // namespace

int main() {
  nodes_outlive_their_arena();
  emptied_blocks_are_reused();
  blocks_past_the_limit_are_given_back();
  std::puts("node arena: ok");
  return 0;
}
