// CustomPenaltyTerm: a named expression holding a decision variable that a solver adds to the
// objective as a penalty, optionally once per value of the elements of a forall list.
#pragma once

#include <string>

#include "core/model/forall.hpp"

namespace zorvane {

struct CustomPenaltyTerm {
  std::string name;
  ForallList forall;
  Expr expression;
};

/// The term, quantified by `forall`. Checks in this order: the forall list against the
/// expression's elements (`validate_forall` over `expression_scope`), then a decision variable
/// in the expression (ModelingError "the custom penalty term does not contain a decision
/// variable").
CustomPenaltyTerm new_custom_penalty_term(std::string name, Expr expression, ForallList forall);
/// ` & \text{name} & \displaystyle <expression> & <forall> \\`
std::string penalty_latex_row(const CustomPenaltyTerm& term);
/// "CustomPenaltyTerm(name=\"p\", expression=x), with ", forall=[...]" for a non-empty list.
std::string custom_penalty_term_text(const CustomPenaltyTerm& term);
bool custom_penalty_term_eq(const CustomPenaltyTerm& a, const CustomPenaltyTerm& b);

}  // namespace zorvane
