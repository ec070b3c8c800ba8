// Constraint: a named equality or non-strict inequality that contains a decision variable,
// optionally quantified by a forall list; and ConstraintSense, its relation.
#pragma once

#include <cstdint>
#include <string>

#include "binding/frame.hpp"
#include "model/forall.hpp"

namespace zorvane {

enum class ConstraintSense : std::uint8_t { Equal, LessThanEqual, GreaterThanEqual };

/// The sides stay as written: `x >= 1` keeps `x` on the left.
struct Constraint {
  std::string name;
  ForallList forall;
  Expr left;
  Expr right;
  ConstraintSense sense = ConstraintSense::Equal;
};

/// ModelingError "expression does not contain a decision variable" when neither side has one.
Constraint new_constraint(std::string name, ConstraintSense sense, Expr left, Expr right,
                          ForallList forall);
/// The comparison of the sense's kind between the sides, without a LaTeX string.
Expr constraint_condition(const Constraint& constraint);
/// ` & \text{name} & \displaystyle <condition> & <forall> \\`
std::string constraint_latex_row(const Constraint& constraint);
bool constraint_eq(const Constraint& a, const Constraint& b);

/// A copy of the value held by a `Constraint` object; the conversion TypeError otherwise.
Constraint extract_constraint(PyObject* object);
PyRef constraint_into_py(Constraint constraint);
PyRef constraint_sense_into_py(ConstraintSense sense);

}  // namespace zorvane
