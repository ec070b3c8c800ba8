// The writer: every expression tree is flattened into a node table that stores equal records
// once, children before parents, so every reference points to a smaller position.
#include "protobuf/serialize.hpp"

#include <bit>
#include <limits>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>
#include <protozero/pbf_writer.hpp>
#include <tsl/ordered_set.h>
#include <uuid/uuid.h>

#include "model/expression/expression.hpp"
#include "model/expression/flatten.hpp"
#include "protobuf/schema.hpp"

namespace zorvane::protobuf {
namespace {

constexpr const char* kNoCapacity =
    "failed to encode the Problem because the buffer did not have sufficient capacity.";

// A length-delimited field longer than this cannot be read back by a standard reader.
constexpr std::size_t kMaxMessageSize = std::size_t(std::numeric_limits<std::int32_t>::max());

// ---- Field writers: defaults are left out, present messages always written ----

void put_u64(protozero::pbf_writer& w, std::uint32_t field, std::uint64_t value) {
  if (value != 0) w.add_uint64(field, value);
}
void put_enum(protozero::pbf_writer& w, std::uint32_t field, std::int32_t value) {
  if (value != 0) w.add_enum(field, value);
}
void put_string(protozero::pbf_writer& w, std::uint32_t field, const std::string& value) {
  if (!value.empty()) w.add_string(field, value);
}
void put_ids(protozero::pbf_writer& w, std::uint32_t field, const std::vector<std::uint64_t>& ids) {
  w.add_packed_uint64(field, ids.begin(), ids.end());
}
void put_message(protozero::pbf_writer& w, std::uint32_t field, const std::string& body) {
  if (body.size() > kMaxMessageSize) raise(ErrorKind::ProtobufSerialization, kNoCapacity);
  w.add_message(field, body);
}

/// Encodes one message: `fill` receives a writer over a fresh buffer.
template <class Fill>
std::string message(Fill&& fill) {
  std::string bytes;
  protozero::pbf_writer w(bytes);
  fill(w);
  return bytes;
}

std::string new_uuid() {
  uuid_t uuid;
  uuid_generate_random(uuid);
  char text[37];
  uuid_unparse_lower(uuid, text);
  return std::string(text, 36);
}

/// One node table: records in insertion order, equal records once.
class NodeTable {
 public:
  /// `serialize_walk_expression`: the index of the node's record.
  std::uint64_t expression(const Node& node);
  /// `serialize_walk_condition`.
  std::uint64_t condition(const Node& node) { return expression(node); }
  /// An `Index` message: the element and, when there is one, the condition.
  std::string index(const ElementNode& element, const Node* condition);
  /// Every record as one `expr_nodes` field of `w`.
  void write_records(protozero::pbf_writer& w, std::uint32_t field) const;

 private:
  std::uint64_t record(const Node& node);
  std::uint64_t intern(std::uint32_t member, const std::string& body);
  std::uint64_t element(const ElementNode& node);
  std::uint64_t decision_var(const DecisionVarNode& node);
  std::uint64_t subscript(const SubscriptNode& node);
  std::uint64_t commutative(const CommutativeNode& node, std::int32_t kind);
  std::string bound(const Bound& bound);
  std::vector<std::uint64_t> expressions(const std::vector<Expr>& items);

  // Records compare as their encodings: the writer is canonical (fields in order, defaults
  // left out), so equal fields give equal bytes.
  tsl::ordered_set<std::string, std::hash<std::string>, std::equal_to<std::string>,
                   std::allocator<std::string>, std::vector<std::string>>
      records_;
  // A node already written: every node's record depends on the node alone.
  std::unordered_map<const Node*, std::uint64_t> written_;
  // Nodes made while writing (normal forms); kept so their addresses stay unique.
  std::vector<Expr> made_;
};

std::uint64_t NodeTable::intern(std::uint32_t member, const std::string& body) {
  std::string node = message([&](protozero::pbf_writer& w) { put_message(w, member, body); });
  const auto [position, inserted] = records_.insert(std::move(node));
  return std::uint64_t(position - records_.begin());
}

void NodeTable::write_records(protozero::pbf_writer& w, std::uint32_t field) const {
  for (const std::string& node : records_.values_container()) put_message(w, field, node);
}

std::uint64_t NodeTable::expression(const Node& node) {
  if (const auto found = written_.find(&node); found != written_.end()) return found->second;
  const std::uint64_t id = record(node);
  written_.emplace(&node, id);
  return id;
}

std::vector<std::uint64_t> NodeTable::expressions(const std::vector<Expr>& items) {
  std::vector<std::uint64_t> ids;
  ids.reserve(items.size());
  for (const Expr& item : items) ids.push_back(expression(*item));
  return ids;
}

std::uint64_t NodeTable::record(const Node& node) {
  const std::uint32_t member = kRecordField[std::size_t(node.tag)];
  switch (node.tag) {
    case Tag::NumberLit: {
      const NumericValue value = as<NumberLitNode>(node).value;
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, number_lit::kType, value.is_integer() ? kInteger : kFloat);
        put_u64(w, number_lit::kValue,
                value.is_integer() ? std::bit_cast<std::uint64_t>(value.integer)
                                   : std::bit_cast<std::uint64_t>(value.real));
      }));
    }
    case Tag::Placeholder: {
      const auto& p = as<PlaceholderNode>(node);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_string(w, placeholder::kName, p.name);
        put_u64(w, placeholder::kNdim, p.ndim);
      }));
    }
    case Tag::Element: return element(as<ElementNode>(node));
    case Tag::DecisionVar: return decision_var(as<DecisionVarNode>(node));
    case Tag::Subscript: return subscript(as<SubscriptNode>(node));
    case Tag::ArrayLength: {
      const auto& a = as<ArrayLengthNode>(node);
      const Node& array = *a.array;
      std::int32_t type = kArrayOther;
      switch (array.tag) {
        case Tag::Placeholder: type = kArrayPlaceholder; break;
        case Tag::Element: type = kArrayElement; break;
        case Tag::Subscript: {
          const Tag variable = as<SubscriptNode>(array).variable->tag;
          type = variable == Tag::Placeholder ? kArraySubscriptedPlaceholder
                 : variable == Tag::Element   ? kArraySubscriptedElement
                                              : kArrayOther;
          break;
        }
        default: break;
      }
      const std::uint64_t array_id = expression(array);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, array_length::kType, type);
        put_u64(w, array_length::kArrayId, array_id);
        put_u64(w, array_length::kAxis, a.axis);
      }));
    }
    case Tag::UnaryOp: {
      const auto& u = as<UnaryNode>(node);
      const std::uint64_t operand = expression(*u.operand);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, unary_op::kKind, kUnaryWire[std::size_t(u.op())]);
        put_u64(w, unary_op::kOperandId, operand);
      }));
    }
    case Tag::BinaryOp:
    case Tag::Comparison: {
      const bool comparison = node.tag == Tag::Comparison;
      const Expr& left = comparison ? as<ComparisonNode>(node).left : as<BinaryNode>(node).left;
      const Expr& right = comparison ? as<ComparisonNode>(node).right : as<BinaryNode>(node).right;
      const std::int32_t kind = std::int32_t(node.kind) + (comparison ? kComparisonOffset : kBinaryOffset);
      const std::uint64_t left_id = expression(*left);
      const std::uint64_t right_id = expression(*right);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, binary_op::kKind, kind);
        put_u64(w, binary_op::kLeftId, left_id);
        put_u64(w, binary_op::kRightId, right_id);
      }));
    }
    case Tag::CommutativeOp:
      return commutative(as<CommutativeNode>(node), std::int32_t(node.kind) + kCommutativeOffset);
    case Tag::Logical: {
      const auto& l = as<LogicalNode>(node);
      const std::vector<std::uint64_t> terms = expressions(l.terms);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, commutative_op::kKind, std::int32_t(node.kind) + kLogicalOffset);
        put_ids(w, commutative_op::kTermIds, terms);
      }));
    }
    case Tag::ReductionOp: {
      const auto& r = as<ReductionNode>(node);
      const std::string index_body = index(*r.index, r.condition.get());
      const std::uint64_t operand = expression(*r.operand);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, reduction_op::kKind, std::int32_t(node.kind) + kReductionOffset);
        put_message(w, reduction_op::kIndex, index_body);
        put_u64(w, reduction_op::kOperandId, operand);
      }));
    }
    case Tag::Range: break;  // written inside its element
  }
  throw std::logic_error("a range is not a record of its own");
}

std::uint64_t NodeTable::commutative(const CommutativeNode& node, std::int32_t kind) {
  std::vector<Expr> terms = node.terms.to_vector();
  const bool normal_form = node.op() == CommutativeKind::Add || node.op() == CommutativeKind::Mul;
  bool any_latex = false;
  for (const Expr& term : terms) any_latex = any_latex || has_latex(*term);
  if (normal_form && any_latex) {
    // The LaTeX strings that kept these terms apart are not written, so neither is the split.
    terms = node.op() == CommutativeKind::Add ? add_op_flatten(node) : mul_op_flatten(node);
    made_.insert(made_.end(), terms.begin(), terms.end());
    if (terms.size() == 1) return expression(*terms.front());
  }
  const std::vector<std::uint64_t> ids = expressions(terms);
  return intern(expr_node::kCommutativeOp, message([&](protozero::pbf_writer& w) {
    put_enum(w, commutative_op::kKind, kind);
    put_ids(w, commutative_op::kTermIds, ids);
  }));
}

std::uint64_t NodeTable::element(const ElementNode& node) {
  const Node& set = *node.set;
  std::string range_body;
  std::string set_body;
  if (set.tag == Tag::Range) {
    const auto& r = as<RangeNode>(set);
    const std::uint64_t start = expression(*r.start);
    const std::uint64_t end = expression(*r.end);
    range_body = message([&](protozero::pbf_writer& w) {
      put_u64(w, range::kStartId, start);
      put_u64(w, range::kEndId, end);
    });
  } else {
    std::int32_t type = kSetPlaceholder;
    if (set.tag == Tag::Element) type = kSetElement;
    if (set.tag == Tag::Subscript) {
      const Tag variable = as<SubscriptNode>(set).variable->tag;
      if (variable != Tag::Placeholder && variable != Tag::Element) {
        raise(ErrorKind::ProtobufSerialization,
              fmt::format("failed to encode the element {} because its set is a subscript of a decision "
                          "variable, which the Protobuf message cannot express",
                          node.name));
      }
      type = variable == Tag::Placeholder ? kSetSubscriptedPlaceholder : kSetSubscriptedElement;
    }
    const std::uint64_t set_id = expression(set);
    set_body = message([&](protozero::pbf_writer& w) {
      put_enum(w, bound::kType, type);
      put_u64(w, bound::kBoundId, set_id);
    });
  }
  return intern(expr_node::kElement, message([&](protozero::pbf_writer& w) {
    put_string(w, element::kName, node.name);
    put_u64(w, element::kNdim, node.ndim);
    if (set.tag == Tag::Range) {
      put_message(w, element::kRange, range_body);
    } else {
      put_message(w, element::kBound, set_body);
    }
  }));
}

std::string NodeTable::bound(const Bound& value) {
  std::int32_t type = kBoundExpression;
  if (value.kind == Bound::Kind::Placeholder) type = kBoundPlaceholder;
  if (value.kind == Bound::Kind::Subscript) type = kBoundSubscriptedPlaceholder;
  const std::uint64_t id = expression(*value.node);
  return message([&](protozero::pbf_writer& w) {
    put_enum(w, bound::kType, type);
    put_u64(w, bound::kBoundId, id);
  });
}

std::uint64_t NodeTable::decision_var(const DecisionVarNode& node) {
  const std::vector<std::uint64_t> shape = expressions(node.shape);
  const bool binary = node.var_kind() == DecisionVarKind::Binary;
  // A binary variable's bounds are fixed; the reader restores them.
  const std::string lower = binary ? std::string() : bound(node.lower_bound);
  const std::string upper = binary ? std::string() : bound(node.upper_bound);
  return intern(expr_node::kDecisionVar, message([&](protozero::pbf_writer& w) {
    put_enum(w, decision_var::kType, std::int32_t(node.kind) + kDecisionVarOffset);
    put_string(w, decision_var::kName, node.name);
    put_ids(w, decision_var::kShapeIds, shape);
    if (!binary) {
      put_message(w, decision_var::kLowerBound, lower);
      put_message(w, decision_var::kUpperBound, upper);
    }
  }));
}

std::uint64_t NodeTable::subscript(const SubscriptNode& node) {
  std::int32_t type = kVariableSubscript;
  switch (node.variable->tag) {
    case Tag::Placeholder: type = kVariablePlaceholder; break;
    case Tag::Element: type = kVariableElement; break;
    case Tag::DecisionVar: type = kVariableDecisionVar; break;
    default: break;
  }
  const std::uint64_t variable = expression(*node.variable);
  const std::vector<std::uint64_t> subscripts = expressions(node.subscripts);
  return intern(expr_node::kSubscript, message([&](protozero::pbf_writer& w) {
    put_u64(w, subscript::kNdim, node.ndim);
    put_enum(w, subscript::kType, type);
    put_u64(w, subscript::kVariableId, variable);
    put_ids(w, subscript::kSubscriptIds, subscripts);
  }));
}

std::string NodeTable::index(const ElementNode& element_node, const Node* condition_node) {
  const std::uint64_t element_id = expression(element_node);
  const bool has_condition = condition_node != nullptr;
  const std::uint64_t condition_id = has_condition ? condition(*condition_node) : 0;
  return message([&](protozero::pbf_writer& w) {
    put_u64(w, index::kElementId, element_id);
    if (has_condition) w.add_uint64(index::kConditionId, condition_id);  // explicit presence: 0 is written
  });
}

/// An `Expr` message: a table of its own, the root's index, a new id.
std::string expr_message(const Node& node, bool is_condition) {
  NodeTable table;
  const std::uint64_t root = is_condition ? table.condition(node) : table.expression(node);
  return message([&](protozero::pbf_writer& w) {
    w.add_string(expr::kId, new_uuid());
    put_u64(w, expr::kRootId, root);
    table.write_records(w, expr::kExprNodes);
  });
}

std::string header_message(std::uint32_t body_field, const std::string& body) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(header::kId, new_uuid());
    put_u64(w, header::kVersion, kSchemaVersion);
    put_message(w, body_field, body);
  });
}

bool is_condition(const Node& node) noexcept { return node.tag == Tag::Comparison || node.tag == Tag::Logical; }

/// A `ForallList` message, written also when the list is empty: one table for all items.
std::string forall_list_message(const ForallList& list) {
  NodeTable table;
  std::vector<std::string> indices;
  indices.reserve(list.size());
  for (const ForallItem& item : list) indices.push_back(table.index(*item.element, item.condition.get()));
  return message([&](protozero::pbf_writer& w) {
    for (const std::string& index_body : indices) put_message(w, forall_list::kIndices, index_body);
    table.write_records(w, forall_list::kExprNodes);
  });
}

std::string constraint_message(const Constraint& value) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(constraint::kId, new_uuid());
    put_string(w, constraint::kName, value.name);
    put_enum(w, constraint::kSense, std::int32_t(value.sense) + kSenseOffset);
    put_message(w, constraint::kLeft, expr_message(*value.left, false));
    put_message(w, constraint::kRight, expr_message(*value.right, false));
    put_message(w, constraint::kForallList, forall_list_message(value.forall));
  });
}

std::string custom_penalty_term_message(const CustomPenaltyTerm& value) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(custom_penalty_term::kId, new_uuid());
    put_string(w, custom_penalty_term::kName, value.name);
    put_message(w, custom_penalty_term::kTerm, expr_message(*value.expression, false));
    put_message(w, custom_penalty_term::kForallList, forall_list_message(value.forall));
  });
}

/// One map entry: the key (left out when empty, as any default) and the value, always present.
std::string map_entry_message(const std::string& key, const std::string& value) {
  return message([&](protozero::pbf_writer& w) {
    put_string(w, map_entry::kKey, key);
    put_message(w, map_entry::kValue, value);
  });
}

}  // namespace

std::string serialize_expr(const Node& node) {
  return header_message(header::kExpr, expr_message(node, is_condition(node)));
}

std::string serialize_problem(const Problem& problem) {
  const std::string body = message([&](protozero::pbf_writer& w) {
    w.add_string(problem::kId, new_uuid());
    put_string(w, problem::kName, problem.name);
    put_enum(w, problem::kSense, std::int32_t(problem.sense) + kSenseOffset);
    put_message(w, problem::kObjectiveFunction, expr_message(*problem.objective, false));
    for (const auto& [name, value] : problem.constraints) {
      put_message(w, problem::kConstraints, map_entry_message(name, constraint_message(value)));
    }
    for (const auto& [name, value] : problem.custom_penalty_terms) {
      put_message(w, problem::kCustomPenaltyTerms, map_entry_message(name, custom_penalty_term_message(value)));
    }
  });
  return header_message(header::kProblem, body);
}

std::string serialize_constraint(const Constraint& constraint) {
  return header_message(header::kConstraint, constraint_message(constraint));
}

std::string serialize_custom_penalty_term(const CustomPenaltyTerm& term) {
  return header_message(header::kCustomPenaltyTerm, custom_penalty_term_message(term));
}

}  // namespace zorvane::protobuf
