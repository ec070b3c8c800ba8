// The names of the error kinds.
#include "core/error.hpp"

namespace zorvane {

const char* error_kind_name(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::Type: return "TypeError";
    case ErrorKind::Value: return "ValueError";
    case ErrorKind::Index: return "IndexError";
    case ErrorKind::Overflow: return "OverflowError";
    case ErrorKind::Runtime: return "RuntimeError";
    case ErrorKind::Recursion: return "RecursionError";
    case ErrorKind::ZeroDivision: return "ZeroDivisionError";
    case ErrorKind::Memory: return "MemoryError";
    case ErrorKind::Modeling: return "ModelingError";
    case ErrorKind::ProtobufSerialization: return "ProtobufSerializationError";
    case ErrorKind::ProtobufDeserialization: return "ProtobufDeserializationError";
  }
  return "Exception";
}

}  // namespace zorvane
