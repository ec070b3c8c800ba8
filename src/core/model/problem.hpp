// Problem: one optimisation model (name, sense, objective, named constraints and named custom
// penalty terms), filled with `+=`; and ProblemSense, its direction.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/model/constraint.hpp"
#include "core/model/custom_penalty_term.hpp"
#include "core/model/name_index.hpp"

namespace zorvane {

enum class ProblemSense : std::uint8_t { Minimize, Maximize };
inline constexpr std::size_t kProblemSenseCount = std::size_t(ProblemSense::Maximize) + 1;

/// Maps are keyed by name and iterated in ascending byte order of the name (`std::string`
/// compares its characters as unsigned bytes). Filled through `+=`, every key equals the name
/// of its value.
struct Problem {
  std::string name;
  ProblemSense sense = ProblemSense::Minimize;
  Expr objective;
  std::map<std::string, Constraint> constraints;
  std::map<std::string, CustomPenaltyTerm> custom_penalty_terms;
  /// The names of the entries above, kept by the adders below (not a part of the value: a copy
  /// starts without it, and equality ignores it).
  NameIndex name_index;
};

/// A problem with the objective 0 and nothing else.
Problem new_problem(std::string name, ProblemSense sense);

// `+=`: an expression becomes the objective; a constraint or penalty term is stored under its
// name, replacing one of the same name. Each is first checked against the rest of the problem
// (never against the entry it replaces): one name must stand for one variable everywhere
// (ModelingError "Duplicated name -- ..."). A failed call changes nothing. An add costs what is
// added, not the size of the problem (but for the first add to a copied or decoded problem,
// which indexes it, and for a refused one).
void set_objective(Problem& problem, Expr objective);
void add_constraint(Problem& problem, Constraint constraint);
void add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term);

/// Names, senses and objectives equal; maps of equal size with equal keys and values in order.
bool problem_eq(const Problem& a, const Problem& b);
/// The whole model as one LaTeX array: title, objective, constraints, penalty terms and the
/// decision variables used, grouped by kind.
std::string problem_latex(const Problem& problem);

}  // namespace zorvane
