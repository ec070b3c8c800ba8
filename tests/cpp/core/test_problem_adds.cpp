// An add to a problem costs what is added, not what the problem already holds: the same adds
// take the same number of walk steps (the loop counter every walk ticks) on a problem with a
// 10 000-name objective and 1 000 constraints as on one with 10 names and 10 constraints, and
// allocate alike. Counted, not timed, so the check is exact. A name check that walked the rest
// of the problem would take steps in proportion to it.
#include <cassert>
#include <cstdio>
#include <string>
#include <vector>

#include "allocation_count.hpp"
#include "core/expression/arithmetic.hpp"
#include "core/expression/decision_var.hpp"
#include "core/interrupt.hpp"
#include "core/model/problem.hpp"

using namespace zorvane;

namespace {

Expr placeholder(const std::string& name) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = name; });
}
Expr binary(const std::string& name) {
  return build_decision_var(DecisionVarKind::Binary, name, {}, binary_var_lower_bound(), binary_var_upper_bound(), {},
                            {});
}
Expr one() { return make_number(NumericValue::of_integer(1)); }

Constraint constraint(const std::string& name, Expr left) {
  return {.name = name, .forall = {}, .left = std::move(left), .right = one(), .sense = ConstraintSense::LessThanEqual};
}

// An objective over `names` distinct placeholders and `constraints` constraints a + r_k <= 1.
Problem filled(std::size_t names, std::size_t constraints, const Expr& a) {
  Problem problem = new_problem("p", ProblemSense::Minimize);
  std::vector<Expr> terms;
  for (std::size_t k = 0; k < names; ++k) terms.push_back(placeholder("q" + std::to_string(k)));
  set_objective(problem, build_add_of_terms(std::move(terms)));
  for (std::size_t k = 0; k < constraints; ++k) {
    add_constraint(problem, constraint("c" + std::to_string(k), build_add(a, placeholder("r" + std::to_string(k)))));
  }
  return problem;
}

struct Cost {
  std::uint64_t steps;
  allocation_count::Count allocations;
};

// New entries, replaced entries (one changes the kind of the variable named b, which the
// problem must forget), a penalty term that uses b as it is now, and a new objective.
Cost adds(Problem& problem, const Expr& a) {
  const Expr b = binary("b");
  const std::uint64_t before = InterruptPoll::steps();
  const allocation_count::Count allocations = allocation_count::during([&] {
    add_constraint(problem, constraint("new", build_add(a, placeholder("s"))));
    add_constraint(problem, constraint("new", build_add(a, placeholder("b"))));
    add_constraint(problem, constraint("new", build_add(a, b)));
    add_custom_penalty_term(problem, {.name = "t", .forall = {}, .expression = build_mul(b, a)});
    add_constraint(problem, constraint("c0", build_add(a, placeholder("r0"))));
    set_objective(problem, build_add(a, placeholder("q0")));
  });
  return {InterruptPoll::steps() - before, allocations};
}

}  // namespace

int main() {
  const Expr a = placeholder("a");
  Problem small = filled(10, 10, a);
  Problem big = filled(10'000, 1'000, a);
  const Cost on_small = adds(small, a);
  const Cost on_big = adds(big, a);
  std::printf("adds: %llu steps, %zu allocations on the small problem; %llu, %zu on the big one\n",
              static_cast<unsigned long long>(on_small.steps), on_small.allocations.calls,
              static_cast<unsigned long long>(on_big.steps), on_big.allocations.calls);
  assert(on_small.steps > 0);
  assert(on_big.steps == on_small.steps);
  // A hash table of names may grow during one run and not the other.
  assert(on_big.allocations.calls <= on_small.allocations.calls + 2);
  assert(big.constraints.size() == 1'001 && big.custom_penalty_terms.size() == 1);
  std::puts("problem adds: ok");
  return 0;
}
