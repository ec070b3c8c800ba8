// CustomPenaltyTerm: a named expression holding a decision variable that a solver adds to the
// objective as a penalty, optionally once per value of the elements of a forall list.
#pragma once

#include <string>

#include "binding/frame.hpp"
#include "model/forall.hpp"

namespace zorvane {

struct CustomPenaltyTerm {
  std::string name;
  ForallList forall;
  Expr expression;
};

/// ModelingError "the custom penalty term does not contain a decision variable".
CustomPenaltyTerm new_custom_penalty_term(std::string name, Expr expression, ForallList forall);
/// ` & \text{name} & \displaystyle <expression> & <forall> \\`
std::string penalty_latex_row(const CustomPenaltyTerm& term);
bool custom_penalty_term_eq(const CustomPenaltyTerm& a, const CustomPenaltyTerm& b);

/// A copy of the value held by a `CustomPenaltyTerm` object; the conversion TypeError otherwise.
CustomPenaltyTerm extract_custom_penalty_term(PyObject* object);
PyRef custom_penalty_term_into_py(CustomPenaltyTerm term);

}  // namespace zorvane
