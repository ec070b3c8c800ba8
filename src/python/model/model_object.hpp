// Reading any object that the tree walks accept from Python: an expression, a condition, a
// problem, a constraint, a custom penalty term or a forall list, in that order.
#pragma once

#include <optional>
#include <string>

#include "core/model/model_object.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// A copy of the object's value by the first reading that fits; nothing when none does (the
/// failed readings leave no error behind).
std::optional<ModelObject> read_model_object(PyObject* object);
/// TypeError "the type of obj (= str) is unsupported".
[[noreturn]] void raise_unsupported_object(PyObject* object);
/// The `__qualname__` of the object's type; the lookup's own error when it cannot be read.
std::string type_qualname(PyObject* object);

}  // namespace zorvane
