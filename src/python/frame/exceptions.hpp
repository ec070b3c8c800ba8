// The module's own exception types, created once on first use.
#pragma once

#include "python/frame/pyref.hpp"

namespace zorvane {

/// Borrowed references, valid for the rest of the process once created. Each returns null
/// with a Python error set only when the interpreter cannot create the type.
PyObject* modeling_error_type() noexcept;
PyObject* protobuf_serialization_error_type() noexcept;
PyObject* protobuf_deserialization_error_type() noexcept;
/// BaseException subclass raised for internal faults; never part of `__all__`.
PyObject* panic_exception_type() noexcept;

}  // namespace zorvane
