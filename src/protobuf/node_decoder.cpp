// Rebuilding nodes from a node table. The node kinds decide how a reference is read; the
// informational fields (element ndim, set types, array-length and subscript types, subscript
// ndim) are never read, since the builders derive them again.
#include "protobuf/node_decoder.hpp"

#include <bit>
#include <string>

#include "model/expression/arithmetic.hpp"
#include "model/expression/conversion.hpp"
#include "model/expression/decision_var.hpp"
#include "model/expression/function_nodes.hpp"
#include "model/expression/indexing.hpp"
#include "protobuf/schema.hpp"

namespace zorvane::protobuf {
namespace {

constexpr const char* kRootMissing =
    "failed to decode the input buffer because it contained the invalid ID of an expression node.";
constexpr const char* kUnsetKind = "failed to decode the input buffer because it did not contain valid Protobuf message";
constexpr const char* kInvalidMessage = "invalid message";
constexpr const char* kNumberLitType =
    "failed to decode the input buffer because it did not contain a Protobuf message according to the data "
    "type of a number literal.";
constexpr const char* kArrayMissing = "the Expression message does not contain the id of the array";
constexpr const char* kUnaryOperandMissing = "the Expression does not contain the id of the operand";
constexpr const char* kUnaryKind =
    "failed to decode the input buffer because it did not contain valid UnaryOp Protobuf message";
constexpr const char* kBinaryKind =
    "failed to decode the input buffer because it did not contain valid BinaryOp Protobuf message";
constexpr const char* kLeftMissing = "the Expression message does not contain the id of the left hand side";
constexpr const char* kRightMissing = "the Expression message does not contain the id of the right hand side";
constexpr const char* kTermMissing = "the Expression message contained an invalid operand id";
constexpr const char* kCommutativeKind =
    "failed to decode the input buffer because it did not contain valid CommutativeOp Protobuf message";
constexpr const char* kIndexMissing = "the Expression message does not contain the id of the index";
constexpr const char* kOperandMissing = "the Expression message does not contain the id of the operand";
constexpr const char* kReductionKind =
    "failed to decode the input buffer because it did not contain valid ReductionOp Protobuf message";
constexpr const char* kRangeStartMissing = "the Expression message does not contain the id of the start of the range";
constexpr const char* kRangeEndMissing = "the Expression message does not contain the id of the end of the range";
constexpr const char* kShapeMissing = "Decision var messsage had an invalid shape element id";
constexpr const char* kLowerMissing = "the DecisionVar message does not contain the lower bound";
constexpr const char* kUpperMissing = "the DecisionVar message does not contain the upper bound";
constexpr const char* kDecisionVarType =
    "failed to decode the input buffer because it did not contain valid DecisionVar Protobuf message";
constexpr const char* kBoundMissing = "the DecisionVarBound message does not contain the id of the bound";
constexpr const char* kBoundNotPlaceholder = "invalid message: the bound is not a placeholder";
constexpr const char* kBoundNotSubscript = "invalid message: the bound is not a subscripted placeholder";
constexpr const char* kBoundType =
    "failed to decode the input buffer because it did not contain a Protobuf message according to the type "
    "of a decision variable bound.";
constexpr const char* kVariableMissing = "Subscript message did not have a valid var id";
constexpr const char* kSubscriptMissing = "Subscript messsage had an invalid subscript id";
constexpr const char* kIndexKind =
    "failed to decode the input buffer because it did not contain valid Index Protobuf message";
constexpr const char* kConditionMissing = "the Expression message did not contain the id of the condition";
constexpr const char* kConditionBinaryKind =
    "failed to decode the input buffer because it contained an invalid op in a conditional expr (BinaryOp "
    "that is not a logical operator";
constexpr const char* kConditionCommutativeKind =
    "failed to decode the input buffer because it contained an invalid op in a conditional expr (Commutative "
    "Op that is not a logical operator";

constexpr const char* kCycle =
    "failed to decode the input buffer because its expression nodes refer to each other in a cycle";
constexpr const char* kTooLarge =
    "failed to decode the input buffer because its expressions would expand to too many nodes";

// The limits grow with the input: a tree of the depth limit, a flat sum of millions of terms
// and the sharing of equal subtrees that the writer makes all fit; what does not is input in
// which a few bytes stand for an exponential number of nodes.
constexpr std::uint64_t kBaseTreeSize = std::uint64_t(1) << 22;
constexpr std::uint64_t kTreeSizePerByte = 16;
constexpr std::uint64_t kBaseWork = std::uint64_t(1) << 26;
constexpr std::uint64_t kWorkPerByte = 64;

[[noreturn]] void refuse(const char* text) { raise(ErrorKind::ProtobufDeserialization, text); }

[[noreturn]] void refuse_limit(std::string text) {
  throw DecodeLimitError{{ErrorKind::ProtobufDeserialization, std::move(text)}};
}

std::string too_deep_text() {
  return "failed to decode the input buffer because an expression is nested more than " +
         std::to_string(kMaxDepth) + " levels deep";
}

template <class M>
const M& get(const ExprNodeMsg& node) noexcept {
  return *std::get_if<M>(&node);
}

constexpr std::size_t member(const ExprNodeMsg& node) noexcept { return node.index(); }

Expr comparison_node(ComparisonKind kind, Expr left, Expr right) {
  return make_node<ComparisonNode>([&](ComparisonNode& n) {
    n.left = std::move(left);
    n.right = std::move(right);
  }, kind);
}

Expr logical_node(LogicalKind kind, std::vector<Expr> terms) {
  return make_node<LogicalNode>([&](LogicalNode& n) { n.terms = std::move(terms); }, kind);
}

}  // namespace

// ---- DecodeBudget -----------------------------------------------------------------------

DecodeBudget::DecodeBudget(std::size_t input_size) noexcept
    : size_limit_(kBaseTreeSize + kTreeSizePerByte * input_size),
      work_limit_(kBaseWork + kWorkPerByte * input_size) {}

void DecodeBudget::check_size(std::uint64_t size) const {
  if (size > size_limit_) refuse_limit(kTooLarge);
}

void DecodeBudget::charge(std::uint64_t size) {
  work_ += size;  // size is within the tree limit, so this cannot wrap
  if (work_ > work_limit_) refuse_limit(kTooLarge);
}

// ---- NodeDecoder ------------------------------------------------------------------------

/// One node being decoded: marks (id, role) as active so a reference back to it is a cycle,
/// counts the depth when it descends to another id, and gathers the node's expanded size.
class NodeDecoder::Frame {
 public:
  Frame(NodeDecoder& decoder, std::uint64_t id, std::uint8_t role_bit)
      : decoder_(decoder),
        id_(id),
        role_bit_(role_bit),
        outer_id_(decoder.current_id_),
        outer_size_(decoder.size_),
        deeper_(id != decoder.current_id_) {
    if (deeper_ && decoder.depth_ >= kMaxDepth) refuse_limit(too_deep_text());
    if (deeper_) ++decoder.depth_;
    decoder.active_[id] |= role_bit;
    decoder.current_id_ = id;
    decoder.size_ = 1;
  }
  Frame(const Frame&) = delete;
  ~Frame() {
    decoder_.active_[id_] &= std::uint8_t(~role_bit_);
    decoder_.current_id_ = outer_id_;
    if (deeper_) --decoder_.depth_;
  }
  /// The node's expanded size, also added to the enclosing node's.
  std::uint64_t finish() {
    const std::uint64_t size = decoder_.size_;
    decoder_.budget_.check_size(size);
    decoder_.size_ = outer_size_ + size;
    decoder_.budget_.check_size(decoder_.size_);
    return size;
  }

 private:
  NodeDecoder& decoder_;
  std::uint64_t id_;
  std::uint8_t role_bit_;
  std::uint64_t outer_id_;
  std::uint64_t outer_size_;
  bool deeper_;
};

NodeDecoder::NodeDecoder(const NodeTableMsg& table, DecodeBudget& budget)
    : table_(table), budget_(budget), active_(table.size(), 0) {}

const ExprNodeMsg& NodeDecoder::lookup(std::uint64_t id, const char* missing) const {
  if (id >= table_.size()) refuse(missing);
  return table_[id];
}

template <class Build>
Expr NodeDecoder::decode(std::uint64_t id, Role role, Build&& build) {
  const std::uint64_t key = id * kRoleCount + std::uint64_t(role);
  if (auto found = cache_.find(key); found != cache_.end()) {
    size_ += found->second.size;
    budget_.check_size(size_);
    return found->second.value;
  }
  const auto role_bit = std::uint8_t(1u << std::uint8_t(role));
  if ((active_[id] & role_bit) != 0) refuse_limit(kCycle);
  Frame frame(*this, id, role_bit);
  Expr value;
  try {
    value = build();
  } catch (const Error& error) {
    // A rebuilt tree deeper than the builders allow: the input's fault, reported as such.
    if (error.kind == ErrorKind::Recursion) refuse_limit(too_deep_text());
    throw;
  }
  const std::uint64_t size = frame.finish();
  budget_.charge(size);
  cache_.emplace(key, Entry{value, size});
  return value;
}

Expr NodeDecoder::expression(std::uint64_t id, const char* missing) {
  lookup(id, missing);
  return decode(id, Role::Expression, [&] { return build_expression(id); });
}

Expr NodeDecoder::condition(std::uint64_t id, const char* missing) {
  lookup(id, missing);
  return decode(id, Role::Condition, [&] { return build_condition(id); });
}

std::vector<Expr> NodeDecoder::expression_list(const std::vector<std::uint64_t>& ids, const char* missing) {
  std::vector<Expr> items;
  items.reserve(ids.size());  // the ids were read from the input, so this is bounded by it
  for (const std::uint64_t id : ids) items.push_back(expression(id, missing));
  return items;
}

Expr NodeDecoder::build_expression(std::uint64_t id) {
  const ExprNodeMsg& node = table_[id];
  switch (member(node)) {
    case expr_node::kNumberLit: {
      const auto& m = get<NumberLitMsg>(node);
      if (m.type == kFloat) return make_number(NumericValue::of_float(std::bit_cast<double>(m.value)));
      if (m.type == kInteger) return make_number(NumericValue::of_integer(std::bit_cast<std::int64_t>(m.value)));
      refuse(kNumberLitType);
    }
    case expr_node::kPlaceholder: return placeholder_into_scalar(placeholder_at(id));
    case expr_node::kElement: return element_into_scalar(Expr(element_at(id)));
    case expr_node::kDecisionVar: return decision_var_into_scalar(decision_var_at(id));
    case expr_node::kArrayLength: {
      const auto& m = get<ArrayLengthMsg>(node);
      Expr array;
      switch (member(lookup(m.array_id, kArrayMissing))) {
        case expr_node::kPlaceholder: array = placeholder_at(m.array_id); break;
        case expr_node::kElement: array = element_at(m.array_id); break;
        case expr_node::kSubscript: array = subscript_at(m.array_id); break;
        case 0: refuse(kUnsetKind);
        default: refuse(kInvalidMessage);
      }
      return new_array_length(into_array_operand(array), m.axis, std::nullopt, std::nullopt);
    }
    case expr_node::kSubscript: return subscript_into_scalar(subscript_at(id));
    case expr_node::kUnaryOp: {
      const auto& m = get<UnaryOpMsg>(node);
      Expr operand = expression(m.operand_id, kUnaryOperandMissing);
      const std::optional<UnaryKind> kind = unary_kind_from_wire(m.kind);
      if (!kind) refuse(kUnaryKind);
      return unary_op_new(*kind, std::move(operand));
    }
    case expr_node::kBinaryOp: {
      const auto& m = get<BinaryOpMsg>(node);
      const auto kind = kind_from_wire<BinaryKind>(m.kind, kBinaryOffset, kBinaryKindCount);
      if (!kind) refuse(kBinaryKind);
      Expr left = expression(m.left_id, kLeftMissing);
      Expr right = expression(m.right_id, kRightMissing);
      // Unchecked and unfolded, as written.
      if (*kind == BinaryKind::Pow) return pow_op_new(std::move(left), std::move(right));
      return mod_op_new(std::move(left), std::move(right));
    }
    case expr_node::kCommutativeOp: {
      const auto& m = get<CommutativeOpMsg>(node);
      std::vector<Expr> terms = expression_list(m.term_ids, kTermMissing);
      const auto kind = kind_from_wire<CommutativeKind>(m.kind, kCommutativeOffset, kCommutativeKindCount);
      if (!kind) refuse(kCommutativeKind);
      switch (*kind) {
        case CommutativeKind::Add: return add_op_from_terms(std::move(terms));
        case CommutativeKind::Mul: return mul_op_from_terms(std::move(terms));
        case CommutativeKind::Min:
        case CommutativeKind::Max: return commutative_op_new(*kind, TermList(std::move(terms)));
      }
      refuse(kCommutativeKind);
    }
    case expr_node::kReductionOp: {
      const auto& m = get<ReductionOpMsg>(node);
      if (!m.index) refuse(kIndexMissing);
      IndexItem item = index(*m.index);
      Expr operand = expression(m.operand_id, kOperandMissing);
      const auto kind = kind_from_wire<ReductionKind>(m.kind, kReductionOffset, kReductionKindCount);
      if (!kind) refuse(kReductionKind);
      return reduction_op_new(*kind, std::move(item.element), std::move(item.condition), std::move(operand));
    }
    default: refuse(kUnsetKind);
  }
}

Expr NodeDecoder::build_condition(std::uint64_t id) {
  const ExprNodeMsg& node = table_[id];
  switch (member(node)) {
    case expr_node::kBinaryOp: {
      const auto& m = get<BinaryOpMsg>(node);
      const auto kind = kind_from_wire<ComparisonKind>(m.kind, kComparisonOffset, kComparisonKindCount);
      if (!kind) refuse(kConditionBinaryKind);
      Expr left = expression(m.left_id, kLeftMissing);
      Expr right = expression(m.right_id, kRightMissing);
      return comparison_node(*kind, std::move(left), std::move(right));
    }
    case expr_node::kCommutativeOp: {
      const auto& m = get<CommutativeOpMsg>(node);
      const auto kind = kind_from_wire<LogicalKind>(m.kind, kLogicalOffset, kLogicalKindCount);
      if (!kind) refuse(kConditionCommutativeKind);
      std::vector<Expr> terms;
      terms.reserve(m.term_ids.size());
      for (const std::uint64_t term : m.term_ids) terms.push_back(condition(term, kTermMissing));
      return logical_node(*kind, std::move(terms));
    }
    case 0: refuse(kUnsetKind);
    default: refuse(kBinaryKind);
  }
}

IndexItem NodeDecoder::index(const IndexMsg& message) {
  if (member(lookup(message.element_id, kIndexMissing)) != expr_node::kElement) refuse(kIndexKind);
  IndexItem item{element_at(message.element_id), Expr()};
  if (message.condition_id) item.condition = condition(*message.condition_id, kConditionMissing);
  return item;
}

Expr NodeDecoder::placeholder_at(std::uint64_t id) {
  return decode(id, Role::Placeholder, [&] {
    const auto& m = get<PlaceholderMsg>(table_[id]);
    return make_node<PlaceholderNode>([&](PlaceholderNode& p) {
      p.name = m.name;
      p.ndim = m.ndim;
    });
  });
}

Rc<const ElementNode> NodeDecoder::element_at(std::uint64_t id) {
  Expr element = decode(id, Role::Element, [&] {
    const auto& m = get<ElementMsg>(table_[id]);
    Expr set = element_set(m);
    return Expr(new_element(m.name, std::move(set), std::nullopt, std::nullopt));
  });
  return element_node(std::move(element));
}

Expr NodeDecoder::element_set(const ElementMsg& message) {
  if (const auto* range = std::get_if<RangeMsg>(&message.belong_to)) {
    Expr start = expression(range->start_id, kRangeStartMissing);
    Expr end = expression(range->end_id, kRangeEndMissing);
    return new_range(std::move(start), std::move(end));
  }
  const auto* set = std::get_if<BoundMsg>(&message.belong_to);
  if (set == nullptr) refuse(kUnsetKind);
  // The kind of the referenced node decides; `Bound.type` is not read.
  switch (member(lookup(set->bound_id, kRangeStartMissing))) {
    case expr_node::kPlaceholder: return operand_into_element_set(placeholder_at(set->bound_id));
    case expr_node::kElement: return operand_into_element_set(element_at(set->bound_id));
    case expr_node::kSubscript: return operand_into_element_set(subscript_at(set->bound_id));
    case 0: refuse(kUnsetKind);
    default: refuse(kInvalidMessage);
  }
}

Expr NodeDecoder::decision_var_at(std::uint64_t id) {
  return decode(id, Role::DecisionVar, [&] {
    const auto& m = get<DecisionVarMsg>(table_[id]);
    std::vector<Expr> shape = expression_list(m.shape_ids, kShapeMissing);
    Bound lower;
    Bound upper;
    DecisionVarKind kind = DecisionVarKind::Binary;
    if (m.type == std::int32_t(DecisionVarKind::Binary) + kDecisionVarOffset) {
      // The fixed bounds of a binary variable; bounds in the message are not read.
      lower = binary_var_lower_bound();
      upper = binary_var_upper_bound();
    } else {
      if (!m.lower_bound) refuse(kLowerMissing);
      lower = decision_var_bound(*m.lower_bound);
      if (!m.upper_bound) refuse(kUpperMissing);
      upper = decision_var_bound(*m.upper_bound);
      const auto wire_kind = kind_from_wire<DecisionVarKind>(m.type, kDecisionVarOffset, kDecisionVarKindCount);
      if (!wire_kind) refuse(kDecisionVarType);
      kind = *wire_kind;
    }
    // Assembled as read: the shape and bound checks of the variable constructors are not run.
    return Expr(make_node<DecisionVarNode>([&](DecisionVarNode& v) {
      v.name = m.name;
      v.shape = std::move(shape);
      v.lower_bound = std::move(lower);
      v.upper_bound = std::move(upper);
    }, kind));
  });
}

Bound NodeDecoder::decision_var_bound(const BoundMsg& message) {
  switch (message.type) {
    case kBoundExpression: return bound_from_expression(expression(message.bound_id, kBoundMissing));
    case kBoundPlaceholder:
      if (member(lookup(message.bound_id, kBoundMissing)) != expr_node::kPlaceholder) refuse(kBoundNotPlaceholder);
      return bound_from_placeholder(placeholder_at(message.bound_id));
    case kBoundSubscriptedPlaceholder:
      if (member(lookup(message.bound_id, kBoundMissing)) != expr_node::kSubscript) refuse(kBoundNotSubscript);
      return bound_from_subscript(subscript_at(message.bound_id));
    default: refuse(kBoundType);
  }
}

Expr NodeDecoder::subscript_at(std::uint64_t id) {
  return decode(id, Role::Subscript, [&] {
    const auto& m = get<SubscriptMsg>(table_[id]);
    Expr variable;
    switch (member(lookup(m.variable_id, kVariableMissing))) {
      case expr_node::kPlaceholder: variable = placeholder_at(m.variable_id); break;
      case expr_node::kElement: variable = element_at(m.variable_id); break;
      case expr_node::kDecisionVar: variable = decision_var_at(m.variable_id); break;
      case expr_node::kSubscript: variable = subscript_at(m.variable_id); break;
      case 0: refuse(kUnsetKind);
      default: refuse(kInvalidMessage);
    }
    variable = into_subscripted_variable(variable);
    std::vector<Expr> subscripts = expression_list(m.subscript_ids, kSubscriptMissing);
    validate_subscripts(subscripts);
    return build_subscript(std::move(variable), std::move(subscripts));
  });
}

Expr expr_message_to_expression(const ExprMsg& message, DecodeBudget& budget) {
  NodeDecoder decoder(message.expr_nodes, budget);
  return decoder.expression(message.root_id, kRootMissing);
}

}  // namespace zorvane::protobuf
