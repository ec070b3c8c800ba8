// The messages of the byte format as read from a buffer, with the standard proto3 reading
// rules: unknown fields skipped, the last value of a singular field wins, repeated occurrences
// of a message field merged, map entries with equal keys keep the last, nesting limited.
//
// Node-table records are read once, into flat records of one vector per table: names point
// into the buffer and the id lists of all records share one vector, so a large model costs no
// allocation per record. Every list and map of one reading takes its memory from one arena,
// given back at once when the reading is dropped: a model of many small constraints is many
// small tables, which would otherwise cost a malloc and a free each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory_resource>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/protobuf/schema.hpp"

namespace zorvane::protobuf {

/// The memory of one reading's lists and maps.
using Arena = std::pmr::memory_resource;
template <class T>
using List = std::pmr::vector<T>;

/// "failed to decode the input buffer because it did not contain a valid Protobuf message.":
/// every failure of the wire format itself.
extern const char* const kInvalidWireFormat;

struct NumberLitMsg {
  std::int32_t type = 0;
  std::uint64_t value = 0;
};

/// A record's reference to another, as kept in the records. A table holds UINT32_MAX
/// records at most, so an id read as UINT32_MAX or more names no record: it is kept as
/// UINT32_MAX, which names none either (no message shows an id). Narrower ids make a large
/// table smaller to write and to read.
using Id = std::uint32_t;

/// The ids of a record's repeated id field: a range of its table's `ids`.
struct IdRange {
  std::uint32_t begin = 0;
  std::uint32_t size = 0;
};
using IdList = std::span<const Id>;

struct PlaceholderMsg {
  std::string_view name;  ///< into the buffer, valid UTF-8
  std::uint64_t ndim = 0;
};

struct RangeMsg {
  Id start_id = 0;
  Id end_id = 0;
};

struct BoundMsg {
  std::int32_t type = 0;
  Id bound_id = 0;
};

struct ElementMsg {  // `ndim` is checked but not kept: it is never used
  std::string_view name;
  std::variant<std::monostate, BoundMsg, RangeMsg> belong_to;  ///< the `belong_to` oneof
};

struct DecisionVarMsg {
  std::int32_t type = 0;
  std::string_view name;
  IdRange shape_ids;
  std::optional<BoundMsg> lower_bound;
  std::optional<BoundMsg> upper_bound;
};

struct ArrayLengthMsg {
  std::int32_t type = 0;
  Id array_id = 0;
  std::uint64_t axis = 0;
};

struct SubscriptMsg {  // `ndim` and `type` are checked but not kept: they are never used
  Id variable_id = 0;
  IdRange subscript_ids;
};

struct UnaryOpMsg {
  std::int32_t kind = 0;
  Id operand_id = 0;
};

struct BinaryOpMsg {
  std::int32_t kind = 0;
  Id left_id = 0;
  Id right_id = 0;
};

struct CommutativeOpMsg {
  std::int32_t kind = 0;
  IdRange term_ids;
};

struct IndexMsg {
  Id element_id = 0;
  std::optional<Id> condition_id;  ///< explicit presence: 0 differs from absent
};

/// Held in 16 bytes, in place: the `index` in fields of its own, and `kind` narrowed (a kind past
/// 255 is kept as 0, which names no kind either).
struct ReductionOpMsg {
  Id operand_id = 0;
  Id element_id = 0;
  Id condition_id = 0;
  std::uint8_t kind = 0;
  bool has_index = false;
  bool has_condition = false;

  /// The index read so far (the empty one before any).
  IndexMsg index() const noexcept {
    return IndexMsg{element_id, has_condition ? std::optional<Id>(condition_id) : std::nullopt};
  }
  void set_index(const IndexMsg& index) noexcept {
    has_index = true;
    element_id = index.element_id;
    has_condition = index.condition_id.has_value();
    condition_id = index.condition_id.value_or(0);
  }
};

/// A member kept in its table's list of `M` (kinds that are large and rare), at `at`.
template <class M>
struct Stored {
  std::uint32_t at = 0;
};

/// The `kind` oneof of `ExprNode`; the alternative's index is its field number (0: unset), so
/// `index()` is compared with the `expr_node` constants. The common kinds are held in place, so
/// a record takes 24 bytes.
using ExprNodeMsg = std::variant<std::monostate, NumberLitMsg, Stored<PlaceholderMsg>, Stored<DecisionVarMsg>,
                                 ArrayLengthMsg, UnaryOpMsg, BinaryOpMsg, CommutativeOpMsg,
                                 Stored<ElementMsg>, SubscriptMsg, ReductionOpMsg>;
static_assert(sizeof(ExprNodeMsg) <= 24);

/// True when the alternative of `ExprNodeMsg` at the member's field number is `M`.
template <std::uint32_t member, class M>
inline constexpr bool kMemberHolds = std::is_same_v<std::variant_alternative_t<member, ExprNodeMsg>, M>;
static_assert(kMemberHolds<expr_node::kNumberLit, NumberLitMsg>);
static_assert(kMemberHolds<expr_node::kPlaceholder, Stored<PlaceholderMsg>>);
static_assert(kMemberHolds<expr_node::kDecisionVar, Stored<DecisionVarMsg>>);
static_assert(kMemberHolds<expr_node::kArrayLength, ArrayLengthMsg>);
static_assert(kMemberHolds<expr_node::kUnaryOp, UnaryOpMsg>);
static_assert(kMemberHolds<expr_node::kBinaryOp, BinaryOpMsg>);
static_assert(kMemberHolds<expr_node::kCommutativeOp, CommutativeOpMsg>);
static_assert(kMemberHolds<expr_node::kElement, Stored<ElementMsg>>);
static_assert(kMemberHolds<expr_node::kSubscript, SubscriptMsg>);
static_assert(kMemberHolds<expr_node::kReductionOp, ReductionOpMsg>);
static_assert(std::variant_size_v<ExprNodeMsg> == expr_node::kReductionOp + 1, "one alternative per member");
/// The `ExprNode` records of one table, in order; a record's member is its `index()` (0: unset).
struct NodeTableMsg {
  explicit NodeTableMsg(Arena* arena)
      : nodes(arena), ids(arena), stored(List<PlaceholderMsg>(arena), List<DecisionVarMsg>(arena),
                                         List<ElementMsg>(arena)) {}

  List<ExprNodeMsg> nodes;
  List<Id> ids;  ///< the id lists of all records, one after another
  std::tuple<List<PlaceholderMsg>, List<DecisionVarMsg>, List<ElementMsg>> stored;

  std::size_t size() const noexcept { return nodes.size(); }
  IdList ids_of(IdRange range) const noexcept { return IdList(ids).subspan(range.begin, range.size); }
  template <class M>
  const M& operator[](Stored<M> member) const noexcept {
    return std::get<List<M>>(stored)[member.at];
  }
};

struct ExprMsg {
  explicit ExprMsg(Arena* arena) : expr_nodes(arena) {}
  std::uint64_t root_id = 0;
  NodeTableMsg expr_nodes;
};

struct ForallListMsg {
  explicit ForallListMsg(Arena* arena) : indices(arena), expr_nodes(arena) {}
  List<IndexMsg> indices;
  NodeTableMsg expr_nodes;
};

struct ConstraintMsg {
  std::string_view name;
  std::int32_t sense = 0;
  std::optional<ExprMsg> left;
  std::optional<ExprMsg> right;
  std::optional<ForallListMsg> forall_list;
};

struct CustomPenaltyTermMsg {
  std::string_view name;
  std::optional<ExprMsg> term;
  std::optional<ForallListMsg> forall_list;
};

struct ProblemMsg {
  explicit ProblemMsg(Arena* arena) : constraints(arena), custom_penalty_terms(arena) {}
  std::string_view name;
  std::int32_t sense = 0;
  std::optional<ExprMsg> objective_function;
  /// Keys in the buffer, in the byte order of `std::string`.
  std::pmr::map<std::string_view, ConstraintMsg> constraints;
  std::pmr::map<std::string_view, CustomPenaltyTermMsg> custom_penalty_terms;
};

struct HeaderMsg {
  std::uint64_t version = 0;
  std::variant<std::monostate, ProblemMsg, ConstraintMsg, CustomPenaltyTermMsg, ExprMsg> body;
};

/// Reads one whole buffer as a `Header`. Any failure of the wire format raises
/// ProtobufDeserializationError `kInvalidWireFormat`; an empty buffer is an empty header. The
/// result points into `buffer` and holds memory of `arena`.
HeaderMsg parse_header(std::string_view buffer, Arena* arena = std::pmr::get_default_resource());

/// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool is_valid_utf8(std::string_view text) noexcept;

}  // namespace zorvane::protobuf
