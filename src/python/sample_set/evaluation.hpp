// The Python class Evaluation over the sample-set value, and its dict and pandas forms.
#pragma once

#include "core/sample_set/evaluation.hpp"
#include "python/frame/frame.hpp"
#include "python/sample_set/numpy_arrays.hpp"

namespace zorvane {

/// The dict form; it runs no Python code but numpy's (see `build_paused`).
PyRef evaluation_to_dict(const Numpy& numpy, const Evaluation& value);
/// Reads the dict form: missing keys give empty fields, present values (None included) are
/// converted and their errors raised unchanged. `none` tells what None is in a list of floats.
Evaluation evaluation_from_dict(PyObject* dict, NoneItems none = NoneItems::Refused);
/// The pandas form: its columns built in a pause, the frame made by pandas after it.
PyRef evaluation_to_pandas(const Pandas& pandas, const Evaluation& value);

/// A new Python `Evaluation` owning `value`.
PyRef wrap_evaluation(Evaluation value);

}  // namespace zorvane
