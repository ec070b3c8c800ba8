// What one `Header` message of the byte format holds: what the writer encodes and the reader
// gives back.
#pragma once

#include <variant>

#include "core/expression/node.hpp"
#include "core/model/constraint.hpp"
#include "core/model/custom_penalty_term.hpp"
#include "core/model/problem.hpp"

namespace zorvane::protobuf {

/// The body of a `Header`: an expression or a condition node (the `expr` body), a problem, a
/// constraint or a custom penalty term.
using Body = std::variant<Expr, Problem, Constraint, CustomPenaltyTerm>;

}  // namespace zorvane::protobuf
