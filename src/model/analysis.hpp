// The module functions that analyse and rewrite models: is_linear, is_quadratic,
// is_higher_order, is_dynamic_degree, extract_nodes, extract_variables, is_same and replace.
// Each body runs inside the `method_fastcall` thunk (self is the module).
#pragma once

#include "binding/frame.hpp"
#include "model/expression/node.hpp"

namespace zorvane {

/// The degree of an expression in the decision variables, as the degree analysis sees it.
struct DegreeInfo {
  double degree = 0.0;      ///< of the node itself
  double max_degree;        ///< the maximum over every node evaluated in its tree (-inf at first)
  bool is_dynamic = false;  ///< a degree depends on instance data; never cleared
  /// A variable raised to a negative or fractional power (x ** 0.5, x ** -1): no polynomial
  /// degree applies, so the expression is neither linear, quadratic nor of higher order.
  bool non_polynomial = false;
  DegreeInfo() noexcept;
};

/// The degree of `node` and of every node evaluated under it. Work is proportional to the
/// number of distinct nodes.
DegreeInfo compute_degree(const Node& node);

namespace analysis {

PyRef is_linear(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef is_quadratic(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef is_higher_order(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef is_dynamic_degree(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef extract_nodes(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef extract_variables(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef is_same(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef replace(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace analysis
}  // namespace zorvane
