// Reading the bytes that `to_protobuf` writes back into model values.
#pragma once

#include <string_view>

#include "model/expression/node.hpp"

namespace zorvane::protobuf {

/// The value of one `Header`: for an `expr` body, the expression, or when the root cannot be
/// read as one, the condition. Format failures raise ProtobufDeserializationError; the
/// builders' own errors pass unchanged.
Expr deserialize(std::string_view buffer);

}  // namespace zorvane::protobuf
