// The boundary guard: no C++ exception ever crosses into the interpreter.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <type_traits>

#include "core/error.hpp"
#include "python/frame/pyref.hpp"
#include "python/frame/thread_state.hpp"

namespace zorvane {

/// Thrown when the interpreter's error indicator is already set (a failing C-API call).
struct PythonError {};

/// Sets the interpreter's error indicator from a model error.
void set_python_error(const Error& error) noexcept;
/// Sets the panic exception (a BaseException subclass) for an internal fault.
void set_panic(const char* what) noexcept;
/// Throws `PythonError` if the interpreter's error indicator is set; used after C-API calls
/// whose failure cannot be seen in their return value.
void throw_if_python_error();
/// Checks a new reference returned by the C API.
inline PyRef checked(PyObject* new_reference) {
  if (new_reference == nullptr) throw PythonError{};
  return PyRef::steal(new_reference);
}

/// Runs one entry from the interpreter. Returns the body's result, or `error_value` with a
/// Python exception set: model errors map to their exception types, `std::bad_alloc` to
/// MemoryError, and anything else is an internal fault reported as the panic exception. A
/// thread's first entry makes its thread-local state first (MemoryError when it cannot).
///
/// Not `noexcept`, and neither is any entry point or function between an entry and a C-API
/// call that may run Python code: at exit the interpreter ends daemon threads that wait for
/// it with `pthread_exit`, which unwinds the thread's stack, and unwinding through a
/// `noexcept` frame or swallowing it aborts the process.
template <class R, class F>
R guard(R error_value, F&& body) {
  if (!thread_prepared()) [[unlikely]] {
    PyErr_NoMemory();
    return error_value;
  }
  try {
    return body();
  } catch (const PythonError&) {
    if (!PyErr_Occurred()) set_panic("an error was signalled but none was set");
  } catch (const Error& error) {
    set_python_error(error);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& fault) {
    set_panic(fault.what());
  } catch (...) {
    // An exception without a C++ object is the unwinding that ends a thread: it must go on.
    // (Caught as `abi::__forced_unwind&` it binds a null reference, which UBSan reports.)
    if (!std::current_exception()) throw;
    set_panic(nullptr);
  }
  return error_value;
}

/// Guard for entries returning a new reference (NULL on error).
template <class F>
PyObject* guard_object(F&& body) {
  return guard<PyObject*>(nullptr, [&]() -> PyObject* { return body().release(); });
}

}  // namespace zorvane

namespace zorvane {

/// After a failed attempt at one of several readings: clears the pending error when it is an
/// `Exception` and returns. KeyboardInterrupt, SystemExit and other non-`Exception` errors are
/// never swallowed: they are thrown on as `PythonError`.
void discard_exception();

/// Takes the pending exception as "TypeName: message" (clearing it), or throws `PythonError`
/// when it is not an `Exception`.
std::string take_exception_text();

}  // namespace zorvane
