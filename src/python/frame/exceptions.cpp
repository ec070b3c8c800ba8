// The module's own exception types, created once on first use.
#include "python/frame/exceptions.hpp"

namespace zorvane {
namespace {

PyObject* exception_type(PyObject*& cell, const char* qualified_name, PyObject* base) noexcept {
  if (cell == nullptr) {
    cell = PyErr_NewExceptionWithDoc(qualified_name, nullptr, base, nullptr);
  }
  return cell;
}

PyObject* g_modeling_error = nullptr;
PyObject* g_protobuf_serialization_error = nullptr;
PyObject* g_protobuf_deserialization_error = nullptr;
PyObject* g_panic_exception = nullptr;

}  // namespace

PyObject* modeling_error_type() noexcept {
  return exception_type(g_modeling_error, "zorvane.ModelingError", PyExc_Exception);
}
PyObject* protobuf_serialization_error_type() noexcept {
  return exception_type(g_protobuf_serialization_error, "zorvane.ProtobufSerializationError",
                        PyExc_Exception);
}
PyObject* protobuf_deserialization_error_type() noexcept {
  return exception_type(g_protobuf_deserialization_error, "zorvane.ProtobufDeserializationError",
                        PyExc_Exception);
}
PyObject* panic_exception_type() noexcept {
  return exception_type(g_panic_exception, "zorvane.PanicException", PyExc_BaseException);
}

}  // namespace zorvane
