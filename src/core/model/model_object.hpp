// Any value that the model walks accept: an expression, a condition, a problem, a constraint, a
// custom penalty term or a forall list.
#pragma once

#include <variant>

#include "core/model/problem.hpp"
#include "core/model/walk.hpp"

namespace zorvane {

/// A condition (a comparison or logical node) where an expression could also stand.
struct ConditionValue {
  Expr node;
};

using ModelObject =
    std::variant<Expr, ConditionValue, Problem, Constraint, CustomPenaltyTerm, ForallList>;

/// Walks the object: a problem's objective, then its constraints and penalty terms in name
/// order; a constraint's sides, then its forall items; a forall list item by item.
void walk_model_object(ExpressionVisitor& visitor, const ModelObject& object);

}  // namespace zorvane
