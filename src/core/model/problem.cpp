// Problem: filling with `+=` under the one-name-one-variable rule, and equality.
#include "core/model/problem.hpp"

#include "core/model/name_check.hpp"

namespace zorvane {
namespace {

// The registry of everything in the problem but the objective.
void register_constraints(NameRegistry& registry, const Problem& problem, const std::string* skip) {
  for (const auto& [name, constraint] : problem.constraints) {
    if (skip != nullptr && name == *skip) continue;
    walk_expression(registry, *constraint.left);
    walk_expression(registry, *constraint.right);
  }
}

void register_penalties(NameRegistry& registry, const Problem& problem, const std::string* skip) {
  for (const auto& [name, term] : problem.custom_penalty_terms) {
    if (skip != nullptr && name == *skip) continue;
    walk_expression(registry, *term.expression);
  }
}

void check_names(NameRegistry& registry, std::initializer_list<const Node*> expressions) {
  const std::vector<std::string> conflicts = registry.check(expressions);
  if (!conflicts.empty()) raise_duplicated_name(conflicts);
}

}  // namespace

Problem new_problem(std::string name, ProblemSense sense) {
  Problem problem;
  problem.name = std::move(name);
  problem.sense = sense;
  problem.objective = make_number(NumericValue::of_integer(0));
  return problem;
}

void set_objective(Problem& problem, Expr objective) {
  NameRegistry registry;
  register_constraints(registry, problem, nullptr);
  register_penalties(registry, problem, nullptr);
  check_names(registry, {objective.get()});
  problem.objective = std::move(objective);
}

void add_constraint(Problem& problem, Constraint constraint) {
  NameRegistry registry;
  walk_expression(registry, *problem.objective);
  register_constraints(registry, problem, &constraint.name);
  register_penalties(registry, problem, nullptr);
  check_names(registry, {constraint.left.get(), constraint.right.get()});
  std::string key = constraint.name;
  problem.constraints.insert_or_assign(std::move(key), std::move(constraint));
}

void add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term) {
  NameRegistry registry;
  walk_expression(registry, *problem.objective);
  register_constraints(registry, problem, nullptr);
  register_penalties(registry, problem, &term.name);
  check_names(registry, {term.expression.get()});
  std::string key = term.name;
  problem.custom_penalty_terms.insert_or_assign(std::move(key), std::move(term));
}

bool problem_eq(const Problem& a, const Problem& b) {
  if (a.name != b.name || a.sense != b.sense || !expression_eq(*a.objective, *b.objective)) return false;
  if (a.constraints.size() != b.constraints.size() ||
      a.custom_penalty_terms.size() != b.custom_penalty_terms.size()) {
    return false;
  }
  for (auto x = a.constraints.begin(), y = b.constraints.begin(); x != a.constraints.end(); ++x, ++y) {
    if (x->first != y->first || !constraint_eq(x->second, y->second)) return false;
  }
  for (auto x = a.custom_penalty_terms.begin(), y = b.custom_penalty_terms.begin();
       x != a.custom_penalty_terms.end(); ++x, ++y) {
    if (x->first != y->first || !custom_penalty_term_eq(x->second, y->second)) return false;
  }
  return true;
}

}  // namespace zorvane
