// The rows that describe a decision variable in the LaTeX array of a problem.
#pragma once

#include <string>

#include "model/expression/node.hpp"

namespace zorvane {

/// "& x & 1\text{-dim integer variable}& \text{count}\\ & & \text{lower bound: }0 & \\ & &
/// \text{upper bound: }N & \\": name, number of dimensions, kind, the description (escaped,
/// when set) and, except for binary variables, the bounds.
std::string write_decision_var_description(const DecisionVarNode& variable);

}  // namespace zorvane
