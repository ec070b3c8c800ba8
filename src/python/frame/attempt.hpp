// One reading among several: a failed attempt leaves no error behind.
#pragma once

#include "python/frame/guard.hpp"

namespace zorvane {

/// Discards the pending Python error of a failed attempt. A MemoryError propagates, like
/// KeyboardInterrupt and other non-`Exception` errors: it tells nothing about the form tried, and
/// another form's error in its place would hide it.
inline void discard_attempt_error() {
  if (PyErr_ExceptionMatches(PyExc_MemoryError)) throw PythonError{};
  discard_exception();
}

/// Runs `read`; returns false when it failed with a model error or a Python `Exception`, which
/// is discarded (see `discard_attempt_error`).
template <class F>
bool attempt(F&& read) {
  try {
    read();
    return true;
  } catch (const Error&) {
    return false;
  } catch (const PythonError&) {
    discard_attempt_error();
    return false;
  }
}

/// One form of a value among several, like `attempt`; but a list or dict that changed while it
/// was read (RuntimeError of the readers) is refused whole, never read again as another form.
template <class F>
bool attempt_form(F&& read) {
  try {
    read();
    return true;
  } catch (const Error& error) {
    if (error.kind == ErrorKind::Runtime) throw;
    return false;
  } catch (const PythonError&) {
    discard_attempt_error();
    return false;
  }
}

}  // namespace zorvane
