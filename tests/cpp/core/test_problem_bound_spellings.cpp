// Equal spellings of a bound make one variable, so they never cost a walk over the problem: the
// same adds take the same number of walk steps (the loop counter every walk ticks) on a problem
// of 1 000 constraints as on one of 10, when every constraint uses x with its bounds written in
// turn as 10 and 10.0, 0 and -0.0, or a NaN as one node shared by all and as a copy per use.
// Counted, not timed. A name index that told the spellings apart would fall back to the full
// check, whose steps grow with the problem.
#include <cassert>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "core/expression/arithmetic.hpp"
#include "core/expression/decision_var.hpp"
#include "core/interrupt.hpp"
#include "core/model/problem.hpp"

using namespace zorvane;

namespace {

Expr integer(std::int64_t v) { return make_number(NumericValue::of_integer(v)); }
Expr real(double v) { return make_number(NumericValue::of_float(v)); }

Expr x(Expr lower, Expr upper) {
  return build_decision_var(DecisionVarKind::Integer, "x", {}, bound_from_expression(std::move(lower)),
                            bound_from_expression(std::move(upper)), {}, {});
}

// The variable used by constraint k.
using Spelling = std::function<Expr(std::size_t k)>;

Constraint constraint(std::size_t k, const Spelling& spelling) {
  return {.name = "c" + std::to_string(k), .forall = {}, .left = build_add(spelling(k), integer(std::int64_t(k))),
          .right = integer(20), .sense = ConstraintSense::LessThanEqual};
}

// Steps of adding constraints `size` .. `size + 9` (new ones, then the same again as
// replacements) to a problem of `size` constraints.
std::uint64_t steps_of_adds(std::size_t size, const Spelling& spelling) {
  Problem problem = new_problem("p", ProblemSense::Minimize);
  for (std::size_t k = 0; k < size; ++k) add_constraint(problem, constraint(k, spelling));
  const std::uint64_t before = InterruptPoll::steps();
  for (int round = 0; round < 2; ++round) {
    for (std::size_t k = size; k < size + 10; ++k) add_constraint(problem, constraint(k, spelling));
  }
  assert(problem.constraints.size() == size + 10);
  return InterruptPoll::steps() - before;
}

}  // namespace

int main() {
  const Expr nan_x = x(real(std::nan("")), integer(1));
  const struct {
    const char* name;
    Spelling spelling;
  } cases[] = {
      {"10 and 10.0", [](std::size_t k) { return x(integer(0), k % 2 ? real(10.0) : integer(10)); }},
      {"0 and -0.0", [](std::size_t k) { return x(k % 2 ? real(-0.0) : integer(0), integer(10)); }},
      {"0.0 and -0.0", [](std::size_t k) { return x(real(k % 2 ? -0.0 : 0.0), integer(10)); }},
      {"a shared NaN and copies",
       [&](std::size_t k) { return k % 2 ? nan_x : x(real(-std::nan("")), integer(1)); }},
  };
  for (const auto& c : cases) {
    const std::uint64_t small = steps_of_adds(10, c.spelling);
    const std::uint64_t big = steps_of_adds(1'000, c.spelling);
    std::printf("%s: %llu steps on the small problem, %llu on the big one\n", c.name,
                static_cast<unsigned long long>(small), static_cast<unsigned long long>(big));
    assert(small > 0 && big == small);
  }
  std::puts("problem bound spellings: ok");
  return 0;
}
