// Builders of the nodes that only module functions make: unary functions, minima and maxima.
#pragma once

#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

/// A unary node over `operand`. ModelingError "the operand of the unary op contains a decision
/// variable" when it does; nothing is evaluated (`abs(-3)` stays a node).
Expr build_unary(UnaryKind kind, Expr operand);
/// Whether `build_unary` takes `operand`.
bool unary_accepts(const Node& operand) noexcept;

/// A minimum or maximum of `terms` in the given order, not folded, flattened or sorted; any
/// number of terms, none included. ModelingError "the <i>-th term contains a decision variable"
/// for the first term that holds one (i counted from 0).
Expr build_min_max(CommutativeKind kind, std::vector<Expr> terms);

}  // namespace zorvane
