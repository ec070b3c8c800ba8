// Error values raised by model code; the Python layer turns them into Python exceptions.
#pragma once

#include <cstdint>
#include <string>

namespace zorvane {

/// Which Python exception an `Error` becomes at the module boundary.
enum class ErrorKind : std::uint8_t {
  Type,
  Value,
  Index,
  Overflow,
  Runtime,
  Recursion,
  ZeroDivision,
  Memory,
  Modeling,
  ProtobufSerialization,
  ProtobufDeserialization,
};

/// A failure of a model operation, thrown as a C++ exception and raised in Python by the
/// boundary guard. Model code never touches the interpreter's error state directly.
struct Error {
  ErrorKind kind;
  std::string message;
};

/// The Python class name of an error kind, as used in "ModelingError: ..." re-raise texts.
const char* error_kind_name(ErrorKind kind) noexcept;

[[noreturn]] inline void raise(ErrorKind kind, std::string message) {
  throw Error{kind, std::move(message)};
}
[[noreturn]] inline void raise_modeling(std::string message) {
  throw Error{ErrorKind::Modeling, std::move(message)};
}

}  // namespace zorvane
