// The Python class Record over the sample-set value, its Python solution form, and its dict and
// pandas forms.
#pragma once

#include <string>

#include "core/sample_set/record.hpp"
#include "python/frame/frame.hpp"
#include "python/sample_set/numpy_arrays.hpp"

namespace zorvane {

/// The Python solution form: a dict of str to lists of sparse 3-tuples (tried first) or of
/// float64 numpy arrays; anything else raises the one TypeError of a failed extraction. `none`
/// tells what None is among the sparse values.
RecordSolution extract_solution(PyObject* object, NoneItems none = NoneItems::Refused);
/// The Python solution form of `solution` (new objects: tuples and lists, or array copies). The
/// builders taking `Numpy` run no Python code but numpy's: callers pause the collector over them
/// (`build_paused`).
PyRef solution_to_py(const Numpy& numpy, const RecordSolution& solution);

PyRef record_to_dict(const Numpy& numpy, const Record& record);
/// Reads the dict form ("solution" and "num_occurrences", both optional).
Record record_from_dict(PyObject* dict);
/// The pandas form: its columns built in a pause, the frame made by pandas after it.
PyRef record_to_pandas(const Pandas& pandas, const Record& record);

/// A new Python `Record` owning `record`.
PyRef wrap_record(Record record);

}  // namespace zorvane
