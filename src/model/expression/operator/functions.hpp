// The module functions that build operator nodes: abs, ceil, floor, log2, log10, ln, min, max,
// sum and prod. Each body runs inside the `method_fastcall` thunk (self is the module).
#pragma once

#include "binding/frame.hpp"

namespace zorvane::functions {

PyRef abs(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef ceil(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef floor(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef log2(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef log10(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef ln(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef min(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef max(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef sum(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyRef prod(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace zorvane::functions
