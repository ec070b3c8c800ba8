// SampleSet: one solver result, a Record, an Evaluation and a MeasuringTime held by value, and a
// metadata dict held by reference (shared with every set derived from this one).
#pragma once

#include <cstddef>
#include <vector>

#include "sample_set/evaluation.hpp"
#include "sample_set/measuring_time.hpp"
#include "sample_set/record.hpp"

namespace zorvane {

struct SampleSet {
  Record record;
  Evaluation evaluation;
  MeasuringTime measuring_time;
  PyRef metadata;  ///< always a dict
};

/// Fields in declaration order; the metadata dicts last, with Python `==` and truth testing
/// (whose exceptions propagate).
bool sample_set_eq(const SampleSet& a, const SampleSet& b);
/// A new Python `SampleSet` owning `value`.
PyRef wrap_sample_set(SampleSet value);

// Selection of samples.
/// Increasing indices of the samples whose summed violation is zero within the tolerances;
/// ValueError for an empty map or lists of unequal lengths.
std::vector<std::size_t> feasible_indices(const FloatMap& violations, double rtol, double atol);
/// The samples at `indices`, in that order; a list that an index does not fit falls back to
/// empty as a whole (record, evaluation, constraint_values). The forall rows are not per
/// sample and stay whole.
SampleSet select_rows(const SampleSet& set, const std::vector<std::size_t>& indices);
PyRef sample_set_feasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef sample_set_infeasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef sample_set_lowest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

/// The report of the backend trace spans recorded in the metadata.
PyRef sample_set_backend_calculation_time(PyObject* self);

/// The module function `concatenate(sample_sets)`.
PyObject* concatenate_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);

}  // namespace zorvane
