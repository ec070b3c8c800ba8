// Problem: filling with `+=` under the one-name-one-variable rule, and equality.
#include "core/model/problem.hpp"

#include "core/model/name_check.hpp"

namespace zorvane {
namespace {

using Part = EntryKey::Part;

// The full check: a registry of every entry but `skip`, in the order objective, constraints,
// penalty terms (each map by name), then `expressions` checked against it.
void check_against_rest(const Problem& problem, const EntryKey& skip, std::initializer_list<const Node*> expressions) {
  const auto skipped = [&](Part part, const std::string& key) { return skip.part == part && key == *skip.key; };
  NameRegistry registry;
  if (skip.part != Part::Objective) walk_expression(registry, *problem.objective);
  for (const auto& [key, constraint] : problem.constraints) {
    if (skipped(Part::Constraint, key)) continue;
    walk_expression(registry, *constraint.left);
    walk_expression(registry, *constraint.right);
  }
  for (const auto& [key, term] : problem.custom_penalty_terms) {
    if (skipped(Part::Penalty, key)) continue;
    walk_expression(registry, *term.expression);
  }
  const std::vector<std::string> conflicts = registry.check(expressions);
  if (!conflicts.empty()) raise_duplicated_name(conflicts);
}

// The problem's index, built from its entries when it has none (a copied or decoded problem).
NameIndex& name_index(Problem& problem) {
  NameIndex& index = problem.name_index;
  if (index.built()) return index;
  index.record({Part::Objective}, NameIndex::scan({problem.objective.get()}));
  for (const auto& [key, constraint] : problem.constraints) {
    index.record({Part::Constraint, &key}, NameIndex::scan({constraint.left.get(), constraint.right.get()}));
  }
  for (const auto& [key, term] : problem.custom_penalty_terms) {
    index.record({Part::Penalty, &key}, NameIndex::scan({term.expression.get()}));
  }
  index.set_built();
  return index;
}

// Checks the entry `key` is to hold against the rest of the problem, records its names, then
// stores it with `store`. The index answers when it can; a refusal comes from the full check,
// so its names and their order are the full check's.
template <class Store>
void add_entry(Problem& problem, const EntryKey& key, std::initializer_list<const Node*> expressions, Store store) {
  NameIndex& index = name_index(problem);
  NameIndex::Variables added = NameIndex::scan(expressions);
  if (!index.accepts(key, added)) check_against_rest(problem, key, expressions);
  index.record(key, std::move(added));
  try {
    store();
  } catch (...) {
    index.clear();  // it holds the entry that was not stored
    throw;
  }
}

}  // namespace

Problem new_problem(std::string name, ProblemSense sense) {
  Problem problem;
  problem.name = std::move(name);
  problem.sense = sense;
  problem.objective = make_number(NumericValue::of_integer(0));
  problem.name_index.set_built();  // nothing in it has a name
  return problem;
}

void set_objective(Problem& problem, Expr objective) {
  add_entry(problem, {Part::Objective}, {objective.get()}, [&] { problem.objective = std::move(objective); });
}

void add_constraint(Problem& problem, Constraint constraint) {
  add_entry(problem, {Part::Constraint, &constraint.name}, {constraint.left.get(), constraint.right.get()}, [&] {
    std::string key = constraint.name;
    problem.constraints.insert_or_assign(std::move(key), std::move(constraint));
  });
}

void add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term) {
  add_entry(problem, {Part::Penalty, &term.name}, {term.expression.get()}, [&] {
    std::string key = term.name;
    problem.custom_penalty_terms.insert_or_assign(std::move(key), std::move(term));
  });
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
