// The module functions. Each body runs inside the `method_fastcall` thunk (self is the module);
// registry.cpp lists them in the module's order.
#pragma once

#include "python/frame/frame.hpp"

namespace zorvane {

#define ZORVANE_MODULE_FUNCTION(name) \
  PyRef name(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)

/// Analysis and rewriting of models.
namespace analysis {
ZORVANE_MODULE_FUNCTION(is_linear);
ZORVANE_MODULE_FUNCTION(is_quadratic);
ZORVANE_MODULE_FUNCTION(is_higher_order);
ZORVANE_MODULE_FUNCTION(is_dynamic_degree);
ZORVANE_MODULE_FUNCTION(extract_nodes);
ZORVANE_MODULE_FUNCTION(extract_variables);
ZORVANE_MODULE_FUNCTION(is_same);
ZORVANE_MODULE_FUNCTION(replace);
}  // namespace analysis

/// Builders of operator nodes.
namespace functions {
ZORVANE_MODULE_FUNCTION(abs);
ZORVANE_MODULE_FUNCTION(ceil);
ZORVANE_MODULE_FUNCTION(floor);
ZORVANE_MODULE_FUNCTION(log2);
ZORVANE_MODULE_FUNCTION(log10);
ZORVANE_MODULE_FUNCTION(ln);
ZORVANE_MODULE_FUNCTION(min);
ZORVANE_MODULE_FUNCTION(max);
ZORVANE_MODULE_FUNCTION(sum);
ZORVANE_MODULE_FUNCTION(prod);
}  // namespace functions

/// The byte format.
namespace protobuf {
/// to_protobuf(obj): the bytes of a problem, constraint, custom penalty term, expression or
/// condition.
ZORVANE_MODULE_FUNCTION(to_protobuf);
/// from_protobuf(buf): the model object that a `bytes` object holds.
ZORVANE_MODULE_FUNCTION(from_protobuf);
}  // namespace protobuf

/// Sample sets.
namespace sample_sets {
ZORVANE_MODULE_FUNCTION(concatenate);
}  // namespace sample_sets

#undef ZORVANE_MODULE_FUNCTION

}  // namespace zorvane
