// The Python class CustomPenaltyTerm over the model's value.
#pragma once

#include "core/model/custom_penalty_term.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// A copy of the value held by a `CustomPenaltyTerm` object; the conversion TypeError otherwise.
CustomPenaltyTerm extract_custom_penalty_term(PyObject* object);
PyRef custom_penalty_term_into_py(CustomPenaltyTerm term);

}  // namespace zorvane
