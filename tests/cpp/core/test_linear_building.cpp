// Building a sum or product term by term, as a Python loop `e = e + k * p` does through the
// builders, allocates the same amount per term at any length: a term list copied at every step
// would allocate bytes in proportion to the length so far (16 times more per term at 16 000
// terms than at 1 000). Counted allocations, not a clock, so the check is exact. (A step that
// walked the whole list without allocating would not show here; the benchmark times that.)
#include <cassert>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "allocation_count.hpp"
#include "core/expression/arithmetic.hpp"
#include "core/expression/node.hpp"

using namespace zorvane;

namespace {

Expr symbol(const std::string& name) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = name; });
}
Expr integer(std::int64_t k) { return make_number(NumericValue::of_integer(k)); }

// One step of a loop: the running value, the step number and a fresh placeholder give the next value.
using Step = std::function<Expr(const Expr&, std::int64_t, const Expr&)>;

struct Loop {
  const char* name;
  bool product;  // starts from a placeholder instead of 0
  Step step;
};

// The loops of the Python arithmetic tests; a literal comes from its int with every use, as
// Python converts it at every step.
const std::vector<Loop> kLoops = {
    {"e + k * p", false, [](const Expr& e, std::int64_t k, const Expr& p) {
       return build_add(e, build_mul(integer(k), p)); }},
    {"e + k * p + 1", false, [](const Expr& e, std::int64_t k, const Expr& p) {
       return build_add(build_add(e, build_mul(integer(k), p)), integer(1)); }},
    {"e + (k * p + 1)", false, [](const Expr& e, std::int64_t k, const Expr& p) {
       return build_add(e, build_add(build_mul(integer(k), p), integer(1))); }},
    {"(e + p) + (p + 1)", false, [](const Expr& e, std::int64_t, const Expr& p) {
       return build_add(build_add(e, p), build_add(p, integer(1))); }},
    {"p + e", false, [](const Expr& e, std::int64_t, const Expr& p) { return build_add(p, e); }},
    {"m * p * 2", true, [](const Expr& m, std::int64_t, const Expr& p) {
       return build_mul(build_mul(m, p), integer(2)); }},
    {"m * (2 * p)", true, [](const Expr& m, std::int64_t, const Expr& p) {
       return build_mul(m, build_mul(integer(2), p)); }},
    {"p * m", true, [](const Expr& m, std::int64_t, const Expr& p) { return build_mul(p, m); }},
};

// Bytes allocated per term while `loop` runs over n prebuilt placeholders.
double bytes_per_term(const Loop& loop, std::size_t n) {
  std::vector<Expr> symbols;
  for (std::size_t k = 0; k < n; ++k) symbols.push_back(symbol("p" + std::to_string(k)));
  Expr e = loop.product ? symbol("x") : integer(0);
  const allocation_count::Count count = allocation_count::during([&] {
    for (std::size_t k = 0; k < n; ++k) e = loop.step(e, std::int64_t(k) + 1, symbols[k]);
  });
  assert(e->tag == Tag::CommutativeOp && as<CommutativeNode>(e).terms.size() >= n);
  return double(count.bytes) / double(n);
}

}  // namespace

int main() {
  for (const Loop& loop : kLoops) {
    const double small = bytes_per_term(loop, 1'000);
    const double big = bytes_per_term(loop, 16'000);
    std::printf("%-18s %7.1f bytes/term at 1 000, %7.1f at 16 000\n", loop.name, small, big);
    // Growing buffers double, so their bytes per term stay below twice the final need.
    assert(big < 2 * small);
  }
  std::puts("linear building: ok");
  return 0;
}
