// Reading the bytes that `to_protobuf` writes back into model values.
#pragma once

#include <string_view>
#include <variant>

#include "core/expression/node.hpp"
#include "core/model/constraint.hpp"
#include "core/model/custom_penalty_term.hpp"
#include "core/model/problem.hpp"

namespace zorvane::protobuf {

/// What one buffer holds: an expression or a condition node (the `expr` body), a problem, a
/// constraint or a custom penalty term.
using Decoded = std::variant<Expr, Problem, Constraint, CustomPenaltyTerm>;

/// Reads one `Header`. Format failures raise ProtobufDeserializationError; the errors of the
/// builders and checks that rebuild the model pass unchanged.
Decoded deserialize(std::string_view buffer);

}  // namespace zorvane::protobuf
