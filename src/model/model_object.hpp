// Any object that the tree walks accept: an expression, a condition, a problem, a constraint,
// a custom penalty term or a forall list, read from Python in that order.
#pragma once

#include <optional>
#include <variant>

#include "model/problem.hpp"
#include "model/walk.hpp"

namespace zorvane {

struct ConditionValue {
  Expr node;
};

using ModelObject =
    std::variant<Expr, ConditionValue, Problem, Constraint, CustomPenaltyTerm, ForallList>;

/// A copy of the object's value by the first reading that fits; nothing when none does (the
/// failed readings leave no error behind).
std::optional<ModelObject> read_model_object(PyObject* object);
/// Walks the object: a problem's objective, then its constraints and penalty terms in name
/// order; a constraint's sides, then its forall items; a forall list item by item.
void walk_model_object(ExpressionVisitor& visitor, const ModelObject& object);
/// TypeError "the type of obj (= str) is unsupported".
[[noreturn]] void raise_unsupported_object(PyObject* object);
/// The `__qualname__` of the object's type; the lookup's own error when it cannot be read.
std::string type_qualname(PyObject* object);

}  // namespace zorvane
