// SampleSet: one solver result, its samples held by value and a metadata dict held by reference
// (shared with every set derived from this one).
#pragma once

#include "core/sample_set/sample_data.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

struct SampleSet : SampleData {
  PyRef metadata;  ///< always a dict
};

/// Fields in declaration order; the metadata dicts last, with Python `==` and truth testing
/// (whose exceptions propagate).
bool sample_set_eq(const SampleSet& a, const SampleSet& b);
/// A new Python `SampleSet` owning `value`.
PyRef wrap_sample_set(SampleSet value);

// Selection of samples: the method table entries of `feasible`, `infeasible` and `lowest`, each
// with its documentation body.
PyMethodDef sample_set_feasible_method(const char* doc);
PyMethodDef sample_set_infeasible_method(const char* doc);
PyMethodDef sample_set_lowest_method(const char* doc);

/// The report of the backend trace spans recorded in the metadata.
PyRef sample_set_backend_calculation_time(PyObject* self);

}  // namespace zorvane
