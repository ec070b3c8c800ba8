// The boundary guard: model errors and internal faults become Python exceptions.
#include "python/frame/guard.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "python/frame/exceptions.hpp"

namespace zorvane {
namespace {

PyObject* python_type_of(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::Type: return PyExc_TypeError;
    case ErrorKind::Value: return PyExc_ValueError;
    case ErrorKind::Index: return PyExc_IndexError;
    case ErrorKind::Overflow: return PyExc_OverflowError;
    case ErrorKind::Runtime: return PyExc_RuntimeError;
    case ErrorKind::Recursion: return PyExc_RecursionError;
    case ErrorKind::ZeroDivision: return PyExc_ZeroDivisionError;
    case ErrorKind::Memory: return PyExc_MemoryError;
    case ErrorKind::Modeling: return modeling_error_type();
    case ErrorKind::ProtobufSerialization: return protobuf_serialization_error_type();
    case ErrorKind::ProtobufDeserialization: return protobuf_deserialization_error_type();
  }
  return PyExc_SystemError;
}

[[noreturn]] void abort_at_boundary() noexcept {
  std::fputs("uncaught panic at ffi boundary\n", stderr);
  std::abort();
}

}  // namespace

void set_python_error(const Error& error) noexcept {
  PyObject* type = python_type_of(error.kind);
  if (type == nullptr) return;  // creating the type failed and set its own error
  PyObject* message =
      PyUnicode_DecodeUTF8(error.message.data(), Py_ssize_t(error.message.size()), "replace");
  if (message == nullptr) return;
  PyErr_SetObject(type, message);
  Py_DECREF(message);
}

void set_panic(const char* what) noexcept {
  PyObject* type = panic_exception_type();
  if (type == nullptr) abort_at_boundary();
  PyErr_SetString(type, what != nullptr && *what != '\0' ? what : "internal fault");
}

void throw_if_python_error() {
  if (PyErr_Occurred()) throw PythonError{};
}

}  // namespace zorvane

namespace zorvane {

void discard_exception() {
  if (!PyErr_Occurred()) return;
  if (!PyErr_ExceptionMatches(PyExc_Exception)) throw PythonError{};
  PyErr_Clear();
}

std::string take_exception_text() {
  if (!PyErr_ExceptionMatches(PyExc_Exception)) throw PythonError{};
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  PyRef owned_type = PyRef::steal(type);
  PyRef owned_value = PyRef::steal(value);
  PyRef owned_traceback = PyRef::steal(traceback);
  std::string text = reinterpret_cast<PyTypeObject*>(type)->tp_name;
  if (const char* dot = std::strrchr(text.c_str(), '.')) text = dot + 1;
  PyRef message = PyRef::steal(PyObject_Str(value));
  if (!message) throw PythonError{};
  const char* utf8 = PyUnicode_AsUTF8(message.get());
  if (utf8 == nullptr) throw PythonError{};
  return text + ": " + utf8;
}

}  // namespace zorvane
