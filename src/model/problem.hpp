// Problem: one optimisation model (name, sense, objective, named constraints and named custom
// penalty terms), filled with `+=`; and ProblemSense, its direction.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "binding/frame.hpp"
#include "model/constraint.hpp"
#include "model/custom_penalty_term.hpp"

namespace zorvane {

enum class ProblemSense : std::uint8_t { Minimize, Maximize };

/// Maps are keyed by name and iterated in ascending byte order of the name (`std::string`
/// compares its characters as unsigned bytes). Filled through `+=`, every key equals the name
/// of its value.
struct Problem {
  std::string name;
  ProblemSense sense = ProblemSense::Minimize;
  Expr objective;
  std::map<std::string, Constraint> constraints;
  std::map<std::string, CustomPenaltyTerm> custom_penalty_terms;
};

/// Names, senses and objectives equal; maps of equal size with equal keys and values in order.
bool problem_eq(const Problem& a, const Problem& b);
/// The whole model as one LaTeX array: title, objective, constraints, penalty terms and the
/// decision variables used, grouped by kind.
std::string problem_latex(const Problem& problem);

/// A copy of the value held by a `Problem` object; the conversion TypeError otherwise.
Problem extract_problem(PyObject* object);
PyRef problem_into_py(Problem problem);
PyRef problem_sense_into_py(ProblemSense sense);

}  // namespace zorvane
