// Writing models, expressions and conditions as one `Header` message of the byte format.
#pragma once

#include <string>

#include "core/protobuf/body.hpp"

namespace zorvane::protobuf {

/// The encoded `Header` whose `expr` body holds `node`, an expression or a condition.
/// ProtobufSerializationError for an element whose set the format cannot express (a subscript
/// of a decision variable) and for output past the format's size limit.
std::string serialize_expr(const Node& node);
/// The encoded `Header` of a problem: its objective, and its constraints and penalty terms as
/// map entries keyed by the names the problem holds them under (in name order).
std::string serialize_problem(const Problem& problem);
std::string serialize_constraint(const Constraint& constraint);
std::string serialize_custom_penalty_term(const CustomPenaltyTerm& term);
/// The encoded `Header` of any body, by the writer of its kind.
std::string serialize(const Body& body);

}  // namespace zorvane::protobuf
