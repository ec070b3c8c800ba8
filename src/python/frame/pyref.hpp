// Owned references to Python objects: the only place where reference counts are touched by hand.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace zorvane {

/// False in a thread that the interpreter ends at exit: `pthread_exit` unwinds its stack through
/// our frames without the GIL (see `guard`), and their cleanups must then leave Python objects
/// alone; the references leak with the ending process. Such a thread may wake up late in the
/// finalization, so once the GIL state is gone nobody releases. Costs one flag read while the
/// interpreter is not finalizing.
inline bool may_release_objects() noexcept {
#if PY_VERSION_HEX >= 0x030D0000
  if (!Py_IsFinalizing()) return true;
#else
  if (!_Py_IsFinalizing()) return true;
#endif
  return PyGILState_GetThisThreadState() != nullptr && PyGILState_Check() != 0;
}

/// An owned (strong) reference to a Python object; null means "no object".
class PyRef {
 public:
  PyRef() noexcept = default;
  PyRef(const PyRef& other) noexcept : ptr_(other.ptr_) { Py_XINCREF(ptr_); }
  PyRef(PyRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  PyRef& operator=(PyRef other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~PyRef() {
    if (ptr_ != nullptr && may_release_objects()) Py_DECREF(ptr_);
  }

  /// Takes over a reference the caller already owns (e.g. a new reference from the C API).
  static PyRef steal(PyObject* ptr) noexcept { return PyRef(ptr); }
  /// Adds a reference to a borrowed object.
  static PyRef borrow(PyObject* ptr) noexcept {
    Py_XINCREF(ptr);
    return PyRef(ptr);
  }

  PyObject* get() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  /// Hands the reference to the caller (e.g. as a C-API return value).
  PyObject* release() noexcept { return std::exchange(ptr_, nullptr); }

 private:
  explicit PyRef(PyObject* ptr) noexcept : ptr_(ptr) {}
  PyObject* ptr_ = nullptr;
};

}  // namespace zorvane
