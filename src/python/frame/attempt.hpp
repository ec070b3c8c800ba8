// One reading among several: a failed attempt leaves no error behind.
#pragma once

#include "python/frame/guard.hpp"

namespace zorvane {

/// Runs `read`; returns false when it failed with a model error or a Python `Exception`, which
/// is discarded. KeyboardInterrupt, SystemExit and other non-`Exception` errors propagate.
template <class F>
bool attempt(F&& read) {
  try {
    read();
    return true;
  } catch (const Error&) {
    return false;
  } catch (const PythonError&) {
    discard_exception();
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
    discard_exception();
    return false;
  }
}

}  // namespace zorvane
