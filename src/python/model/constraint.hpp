// The Python classes Constraint and ConstraintSense over the model's values.
#pragma once

#include "core/model/constraint.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// A copy of the value held by a `Constraint` object; the conversion TypeError otherwise.
Constraint extract_constraint(PyObject* object);
PyRef constraint_into_py(Constraint constraint);
PyRef constraint_sense_into_py(ConstraintSense sense);

}  // namespace zorvane
