// The Python classes Problem and ProblemSense over the model's values.
#pragma once

#include "core/model/problem.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// A copy of the value held by a `Problem` object; the conversion TypeError otherwise.
Problem extract_problem(PyObject* object);
PyRef problem_into_py(Problem problem);
PyRef problem_sense_into_py(ProblemSense sense);

}  // namespace zorvane
