// The messages of the byte format as read from a buffer, with the standard proto3 reading
// rules: unknown fields skipped, the last value of a singular field wins, repeated occurrences
// of a message field merged, map entries with equal keys keep the last, nesting limited.
//
// The whole buffer is checked when it is read, but the records of node tables are kept as
// their bytes and read again only when the decoder needs one (`read_node`): a large model is
// not first copied into hundreds of thousands of small message structures.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zorvane::protobuf {

/// "failed to decode the input buffer because it did not contain a valid Protobuf message.":
/// every failure of the wire format itself.
extern const char* const kInvalidWireFormat;

struct NumberLitMsg {
  std::int32_t type = 0;
  std::uint64_t value = 0;
};

/// The ids of a record's repeated id field. They live in the list that `read_node` was given.
using IdList = std::span<const std::uint64_t>;

struct PlaceholderMsg {
  std::string_view name;  ///< into the buffer, valid UTF-8
  std::uint64_t ndim = 0;
};

struct RangeMsg {
  std::uint64_t start_id = 0;
  std::uint64_t end_id = 0;
};

struct BoundMsg {
  std::int32_t type = 0;
  std::uint64_t bound_id = 0;
};

struct ElementMsg {
  std::string_view name;
  std::uint64_t ndim = 0;
  std::variant<std::monostate, BoundMsg, RangeMsg> belong_to;  ///< the `belong_to` oneof
};

struct DecisionVarMsg {
  std::int32_t type = 0;
  std::string_view name;
  IdList shape_ids;
  std::optional<BoundMsg> lower_bound;
  std::optional<BoundMsg> upper_bound;
};

struct ArrayLengthMsg {
  std::int32_t type = 0;
  std::uint64_t array_id = 0;
  std::uint64_t axis = 0;
};

struct SubscriptMsg {
  std::uint64_t ndim = 0;
  std::int32_t type = 0;
  std::uint64_t variable_id = 0;
  IdList subscript_ids;
};

struct UnaryOpMsg {
  std::int32_t kind = 0;
  std::uint64_t operand_id = 0;
};

struct BinaryOpMsg {
  std::int32_t kind = 0;
  std::uint64_t left_id = 0;
  std::uint64_t right_id = 0;
};

struct CommutativeOpMsg {
  std::int32_t kind = 0;
  IdList term_ids;
};

struct IndexMsg {
  std::uint64_t element_id = 0;
  std::optional<std::uint64_t> condition_id;  ///< explicit presence: 0 differs from absent
};

struct ReductionOpMsg {
  std::int32_t kind = 0;
  std::optional<IndexMsg> index;
  std::uint64_t operand_id = 0;
};

/// The `kind` oneof of `ExprNode`; the alternative's index is its field number (0: unset).
using ExprNodeMsg = std::variant<std::monostate, NumberLitMsg, PlaceholderMsg, DecisionVarMsg,
                                 ArrayLengthMsg, UnaryOpMsg, BinaryOpMsg, CommutativeOpMsg,
                                 ElementMsg, SubscriptMsg, ReductionOpMsg>;
/// One `ExprNode` of a node table, checked: its bytes and the field number of its member
/// (0: unset), which is all that a reference to it looks at.
struct NodeRecord {
  std::string_view bytes;
  std::uint32_t member;
};
using NodeTableMsg = std::vector<NodeRecord>;

struct ExprMsg {
  std::uint64_t root_id = 0;
  NodeTableMsg expr_nodes;
};

struct ForallListMsg {
  std::vector<IndexMsg> indices;
  NodeTableMsg expr_nodes;
};

struct ConstraintMsg {
  std::string name;
  std::int32_t sense = 0;
  std::optional<ExprMsg> left;
  std::optional<ExprMsg> right;
  std::optional<ForallListMsg> forall_list;
};

struct CustomPenaltyTermMsg {
  std::string name;
  std::optional<ExprMsg> term;
  std::optional<ForallListMsg> forall_list;
};

struct ProblemMsg {
  std::string name;
  std::int32_t sense = 0;
  std::optional<ExprMsg> objective_function;
  std::map<std::string, ConstraintMsg> constraints;
  std::map<std::string, CustomPenaltyTermMsg> custom_penalty_terms;
};

struct HeaderMsg {
  std::uint64_t version = 0;
  std::variant<std::monostate, ProblemMsg, ConstraintMsg, CustomPenaltyTermMsg, ExprMsg> body;
};

/// Reads one whole buffer as a `Header`. Any failure of the wire format raises
/// ProtobufDeserializationError `kInvalidWireFormat`; an empty buffer is an empty header. The
/// result points into `buffer`.
HeaderMsg parse_header(std::string_view buffer);

/// One record of a node table (checked by `parse_header`). The id list of its member is
/// written to `ids`, whose earlier contents are dropped; names point into the record.
ExprNodeMsg read_node(std::string_view record, std::vector<std::uint64_t>& ids);


/// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool is_valid_utf8(std::string_view text) noexcept;

}  // namespace zorvane::protobuf
