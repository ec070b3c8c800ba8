// The module functions `to_protobuf` and `from_protobuf`.
#pragma once

#include "binding/frame.hpp"

namespace zorvane::protobuf {

/// to_protobuf(obj): the bytes of a problem, constraint, custom penalty term, expression or
/// condition.
PyRef to_protobuf(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
/// from_protobuf(buf): the model object that a `bytes` object holds.
PyRef from_protobuf(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace zorvane::protobuf
