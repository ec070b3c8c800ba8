// Constraint: a named equality or non-strict inequality that contains a decision variable,
// optionally quantified by a forall list; and ConstraintSense, its relation.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/forall.hpp"

namespace zorvane {

enum class ConstraintSense : std::uint8_t { Equal, LessThanEqual, GreaterThanEqual };
inline constexpr std::size_t kConstraintSenseCount = std::size_t(ConstraintSense::GreaterThanEqual) + 1;

/// The sides stay as written: `x >= 1` keeps `x` on the left.
struct Constraint {
  std::string name;
  ForallList forall;
  Expr left;
  Expr right;
  ConstraintSense sense = ConstraintSense::Equal;
};

/// The constraint that `condition` (a condition node) states, quantified by `forall`. Checks in
/// this order, the first failure raised: the forall list against the condition's elements
/// (`validate_forall` over `condition_scope`); the relation, which must be ==, <= or >=
/// (ModelingError "Invalid constraint -- conditional must be a valid equality or non-strict
/// inequality (==, >=, or <= only)"); then a decision variable on either side (ModelingError
/// "expression does not contain a decision variable").
Constraint new_constraint(std::string name, const Expr& condition, ForallList forall);
/// The comparison of the sense's kind between the sides, without a LaTeX string.
Expr constraint_condition(const Constraint& constraint);
/// The comparison that a constraint of `sense` between `left` and `right` states.
Expr sense_comparison(ConstraintSense sense, Expr left, Expr right);
/// ` & \text{name} & \displaystyle <condition> & <forall> \\`
std::string constraint_latex_row(const Constraint& constraint);
/// "Constraint(name=\"c\", expression=x == 1)", with ", forall=[...]" for a non-empty list.
std::string constraint_text(const Constraint& constraint);
bool constraint_eq(const Constraint& a, const Constraint& b);

}  // namespace zorvane
