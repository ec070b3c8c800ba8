// Running out of memory during `+=`: whichever allocation of an add fails, the problem is left
// as it was, and the adds that follow are judged as they would have been (the names the problem
// keeps between adds are never left half updated).
#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/expression/arithmetic.hpp"
#include "core/expression/decision_var.hpp"
#include "core/model/problem.hpp"

namespace {

long g_fail_in = -1;  // the allocation this many calls from now fails (once); -1: none

}  // namespace

void* operator new(std::size_t size) {
  if (g_fail_in >= 0 && g_fail_in-- == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
// libstdc++'s nothrow form calls the one above, AddressSanitizer's runtime replaces it with its
// own: route it here in every build, so that its blocks fail and are freed alike.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
// Not inlined: GCC would then see malloc's block freed where `new` was called and warn.
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }

using namespace zorvane;

namespace {

Expr placeholder(const std::string& name) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = name; });
}

Constraint constraint(const std::string& name, Expr left) {
  return {.name = name,
          .forall = {},
          .left = std::move(left),
          .right = make_number(NumericValue::of_integer(1)),
          .sense = ConstraintSense::LessThanEqual};
}

// Long names, whose copies allocate too.
const std::string kC0 = "constraint number zero", kC1 = "constraint number one", kC2 = "constraint number two";
const std::string kT = "penalty term number one";

using Add = std::function<void(Problem&)>;

// What an add did: "" when it was stored, the message when it was refused.
std::string outcome(const Add& add, Problem& problem) {
  try {
    add(problem);
  } catch (const Error& error) {
    return error.message;
  }
  return "";
}

struct Run {
  Problem problem;
  std::vector<std::string> outcomes;
};

// A copy of the problem that `base` fills: its first add indexes it.
Problem copy_of(const std::vector<Add>& base) {
  Problem problem = new_problem("p", ProblemSense::Minimize);
  for (const Add& add : base) add(problem);
  const Problem copy = problem;
  return copy;
}

// The base problem, then `adds` in turn but `skipped`.
Run run(const std::vector<Add>& base, const std::vector<Add>& adds, std::size_t skipped) {
  Run r{copy_of(base), {}};
  for (std::size_t s = 0; s < adds.size(); ++s) {
    if (s != skipped) r.outcomes.push_back(outcome(adds[s], r.problem));
  }
  return r;
}

}  // namespace

int main() {
  const Expr a = placeholder("a");
  const Expr b_placeholder = placeholder("b");
  const Expr b_binary = build_decision_var(DecisionVarKind::Binary, "b", {}, binary_var_lower_bound(),
                                           binary_var_upper_bound(), {}, {});
  const std::vector<Add> base = {
      [&](Problem& p) { set_objective(p, build_add(a, placeholder("q"))); },
      [&](Problem& p) { add_constraint(p, constraint(kC0, build_add(a, placeholder("r")))); },
      [&](Problem& p) { add_constraint(p, constraint(kC1, build_add(a, b_placeholder))); },
  };
  const std::vector<Add> adds = {
      [&](Problem& p) { add_constraint(p, constraint(kC1, build_add(a, b_binary))); },  // b changes kind
      [&](Problem& p) { add_custom_penalty_term(p, {.name = kT, .forall = {}, .expression = build_mul(b_binary, a)}); },
      [&](Problem& p) { set_objective(p, build_add(a, placeholder("s"))); },
      [&](Problem& p) { add_constraint(p, constraint(kC2, build_add(a, b_binary))); },
      [&](Problem& p) { add_constraint(p, constraint(kC0, build_add(b_placeholder, placeholder("r")))); },
      [&](Problem& p) { add_constraint(p, constraint(kC1, build_add(a, b_placeholder))); },
  };

  // Each add, with each of its allocations failing in turn, then the adds after it: all as if
  // the failed add had not been made.
  long failures = 0;
  for (std::size_t s = 0; s < adds.size(); ++s) {
    const Run expected = run(base, adds, s);
    for (long k = 0;; ++k) {
      Run r{copy_of(base), {}};
      for (std::size_t t = 0; t < s; ++t) r.outcomes.push_back(outcome(adds[t], r.problem));
      const Problem before = r.problem;
      bool out_of_memory = false;
      g_fail_in = k;
      try {
        outcome(adds[s], r.problem);
      } catch (const std::bad_alloc&) {
        out_of_memory = true;
      }
      g_fail_in = -1;
      if (!out_of_memory) break;
      ++failures;
      assert(problem_eq(r.problem, before));
      for (std::size_t t = s + 1; t < adds.size(); ++t) r.outcomes.push_back(outcome(adds[t], r.problem));
      assert(r.outcomes == expected.outcomes);
      assert(problem_eq(r.problem, expected.problem));
    }
  }
  // The sequence refuses some adds, so the failures above were tried on both paths.
  const Run all = run(base, adds, adds.size());
  assert(std::count(all.outcomes.begin(), all.outcomes.end(), "") < std::ptrdiff_t(adds.size()));
  std::printf("problem add failures: ok (%ld allocations failed in turn)\n", failures);
  return 0;
}
