// The protobuf schema of models and expressions: field numbers, enum values, and the maps
// between the model's own kinds (counted from 0) and the numbers on the wire (from 1).
//
// Adding a node kind: its row in `record_member` below (a new `ExprNode` field with its message
// in messages.hpp when no member holds it yet), a `record` overload in the writer (serialize.cpp)
// and its reading in the reader (node_decoder.cpp). The build names the writer and the reader
// until the kind has both its row here and its `record`.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <type_traits>

#include "core/expression/node.hpp"

namespace zorvane::protobuf {

/// The schema version written into every header and the only one read.
inline constexpr std::uint64_t kSchemaVersion = 1;
/// Messages nested deeper than this (groups of unknown fields included) are refused.
inline constexpr int kMaxNesting = 100;

/// Wire types of the encoding.
enum class WireType : std::uint8_t {
  Varint = 0,
  Fixed64 = 1,
  LengthDelimited = 2,
  StartGroup = 3,
  EndGroup = 4,
  Fixed32 = 5,
};

// ---- Field numbers, one namespace per message -------------------------------------------

namespace header {
inline constexpr std::uint32_t kId = 1, kVersion = 2, kProblem = 3, kConstraint = 4,
                               kCustomPenaltyTerm = 5, kExpr = 6;
}
namespace problem {
inline constexpr std::uint32_t kId = 1, kName = 2, kSense = 3, kObjectiveFunction = 4,
                               kConstraints = 5, kCustomPenaltyTerms = 6;
}
/// The entry message of a map field.
namespace map_entry {
inline constexpr std::uint32_t kKey = 1, kValue = 2;
}
namespace constraint {
inline constexpr std::uint32_t kId = 1, kName = 2, kSense = 3, kLeft = 4, kRight = 5, kForallList = 6;
}
namespace custom_penalty_term {
inline constexpr std::uint32_t kId = 1, kName = 2, kTerm = 3, kForallList = 4;
}
namespace expr {
inline constexpr std::uint32_t kId = 1, kRootId = 2, kExprNodes = 3;
}
namespace forall_list {
inline constexpr std::uint32_t kIndices = 1, kExprNodes = 2;
}
namespace index {
inline constexpr std::uint32_t kElementId = 1, kConditionId = 2;
}
/// The members of the `kind` oneof of `ExprNode`.
namespace expr_node {
inline constexpr std::uint32_t kNumberLit = 1, kPlaceholder = 2, kDecisionVar = 3, kArrayLength = 4,
                               kUnaryOp = 5, kBinaryOp = 6, kCommutativeOp = 7, kElement = 8,
                               kSubscript = 9, kReductionOp = 10;
}  // namespace expr_node

/// The `ExprNode` member that holds the records of each node kind, one overload per kind (the
/// protobuf tag map). The writer writes each kind there (`kRecordMember`); the reader asserts
/// that it reads every member named here. A range is held inside its element's record.
constexpr std::uint32_t record_member(std::type_identity<NumberLitNode>) { return expr_node::kNumberLit; }
constexpr std::uint32_t record_member(std::type_identity<PlaceholderNode>) { return expr_node::kPlaceholder; }
constexpr std::uint32_t record_member(std::type_identity<ElementNode>) { return expr_node::kElement; }
constexpr std::uint32_t record_member(std::type_identity<RangeNode>) { return expr_node::kElement; }
constexpr std::uint32_t record_member(std::type_identity<DecisionVarNode>) { return expr_node::kDecisionVar; }
constexpr std::uint32_t record_member(std::type_identity<SubscriptNode>) { return expr_node::kSubscript; }
constexpr std::uint32_t record_member(std::type_identity<ArrayLengthNode>) { return expr_node::kArrayLength; }
constexpr std::uint32_t record_member(std::type_identity<UnaryNode>) { return expr_node::kUnaryOp; }
constexpr std::uint32_t record_member(std::type_identity<BinaryNode>) { return expr_node::kBinaryOp; }
constexpr std::uint32_t record_member(std::type_identity<ComparisonNode>) { return expr_node::kBinaryOp; }
constexpr std::uint32_t record_member(std::type_identity<CommutativeNode>) { return expr_node::kCommutativeOp; }
constexpr std::uint32_t record_member(std::type_identity<LogicalNode>) { return expr_node::kCommutativeOp; }
constexpr std::uint32_t record_member(std::type_identity<ReductionNode>) { return expr_node::kReductionOp; }
template <class Kind>
inline constexpr std::uint32_t kRecordMember = record_member(std::type_identity<Kind>{});
namespace number_lit {
inline constexpr std::uint32_t kType = 1, kValue = 2;
}
namespace placeholder {
inline constexpr std::uint32_t kName = 1, kNdim = 2;
}
namespace element {
inline constexpr std::uint32_t kName = 1, kNdim = 2, kBound = 3, kRange = 4;
}
namespace range {
inline constexpr std::uint32_t kStartId = 1, kEndId = 2;
}
namespace bound {
inline constexpr std::uint32_t kType = 1, kBoundId = 2;
}
namespace decision_var {
inline constexpr std::uint32_t kType = 1, kName = 2, kShapeIds = 3, kLowerBound = 4, kUpperBound = 5;
}
namespace array_length {
inline constexpr std::uint32_t kType = 1, kArrayId = 2, kAxis = 3;
}
namespace subscript {
inline constexpr std::uint32_t kNdim = 1, kType = 2, kVariableId = 3, kSubscriptIds = 4;
}
namespace unary_op {
inline constexpr std::uint32_t kKind = 1, kOperandId = 2;
}
namespace binary_op {
inline constexpr std::uint32_t kKind = 1, kLeftId = 2, kRightId = 3;
}
namespace commutative_op {
inline constexpr std::uint32_t kKind = 1, kTermIds = 2;
}
namespace reduction_op {
inline constexpr std::uint32_t kKind = 1, kIndex = 2, kOperandId = 3;
}

// ---- Enum values that are not a model kind plus one -------------------------------------

/// `NumberLit.type`.
inline constexpr std::int32_t kFloat = 1, kInteger = 2;
/// `Bound.type` inside `DecisionVar.lower_bound` / `upper_bound`.
inline constexpr std::int32_t kBoundExpression = 1, kBoundPlaceholder = 2, kBoundSubscriptedPlaceholder = 3;
/// `Bound.type` inside `Element.bound` (written, never read: the referenced node decides).
inline constexpr std::int32_t kSetPlaceholder = 1, kSetElement = 2, kSetSubscriptedPlaceholder = 3,
                              kSetSubscriptedElement = 4;
/// `ArrayLength.type` (written, never read).
inline constexpr std::int32_t kArrayOther = 0, kArrayPlaceholder = 1, kArrayElement = 2,
                              kArraySubscriptedPlaceholder = 3, kArraySubscriptedElement = 4;
/// `Subscript.type` (written, never read).
inline constexpr std::int32_t kVariableSubscript = 0, kVariablePlaceholder = 1, kVariableElement = 2,
                              kVariableDecisionVar = 3;

// ---- Kind maps ----------------------------------------------------------------------------

/// `UnaryOp.kind` by `UnaryKind`: the wire order (abs, ceil, floor, log2, log10, ln) differs
/// from the model's (abs, ceil, floor, ln, log10, log2).
inline constexpr auto kUnaryWire = std::to_array<std::int32_t>({1, 2, 3, 6, 5, 4});
static_assert(kUnaryWire.size() == kUnaryKindCount);

/// Wire number = model kind + offset, for every kind whose numbers follow the model's order.
inline constexpr std::int32_t kBinaryOffset = 1;       // Pow 1, Mod 2
inline constexpr std::int32_t kComparisonOffset = 3;   // Equal 3 ... GreaterThanEqual 8
inline constexpr std::int32_t kCommutativeOffset = 1;  // Add 1 ... Max 4
inline constexpr std::int32_t kLogicalOffset = 5;      // And 5, Or 6, Xor 7
inline constexpr std::int32_t kReductionOffset = 1;    // Sum 1, Prod 2
inline constexpr std::int32_t kDecisionVarOffset = 1;  // Binary 1 ... SemiContinuous 5
inline constexpr std::int32_t kSenseOffset = 1;        // problem and constraint senses

/// The model kind of a wire number in [offset, offset + count), or nothing.
template <class Kind>
constexpr std::optional<Kind> kind_from_wire(std::int32_t wire, std::int32_t offset, std::size_t count) noexcept {
  if (wire < offset || wire - offset >= std::int32_t(count)) return std::nullopt;
  return Kind(wire - offset);
}

constexpr std::optional<UnaryKind> unary_kind_from_wire(std::int32_t wire) noexcept {
  for (std::size_t k = 0; k < kUnaryWire.size(); ++k) {
    if (kUnaryWire[k] == wire) return UnaryKind(k);
  }
  return std::nullopt;
}

// The logical and comparison numbers continue where the arithmetic ones stop.
static_assert(kBinaryOffset + std::int32_t(kBinaryKindCount) == kComparisonOffset);
static_assert(kCommutativeOffset + std::int32_t(kCommutativeKindCount) == kLogicalOffset);

}  // namespace zorvane::protobuf
