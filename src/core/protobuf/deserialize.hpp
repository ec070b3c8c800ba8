// Reading the bytes that `to_protobuf` writes back into model values.
#pragma once

#include <string_view>

#include "core/protobuf/body.hpp"

namespace zorvane::protobuf {

/// Reads one `Header`. Format failures raise ProtobufDeserializationError; the errors of the
/// builders and checks that rebuild the model pass unchanged.
Body deserialize(std::string_view buffer);

}  // namespace zorvane::protobuf
