// Writing models, expressions and conditions as one `Header` message of the byte format.
#pragma once

#include <string>

#include "model/expression/node.hpp"

namespace zorvane::protobuf {

/// The encoded `Header` whose `expr` body holds `node`, an expression or a condition.
/// ProtobufSerializationError for an element whose set the format cannot express (a subscript
/// of a decision variable) and for output past the format's size limit.
std::string serialize_expr(const Node& node);

}  // namespace zorvane::protobuf
