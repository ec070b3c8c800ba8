// The writer: every expression tree is flattened into a node table that stores equal records
// once, children before parents, so every reference points to a smaller position.
#include "protobuf/serialize.hpp"

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>
#include <protozero/pbf_writer.hpp>
#include <tsl/ordered_set.h>
#include <unistd.h>
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
void check_length(std::size_t size) {
  if (size > kMaxMessageSize) raise(ErrorKind::ProtobufSerialization, kNoCapacity);
}
void put_string(protozero::pbf_writer& w, std::uint32_t field, const std::string& value) {
  check_length(value.size());
  if (!value.empty()) w.add_string(field, value);
}
void put_ids(protozero::pbf_writer& w, std::uint32_t field, const std::vector<std::uint64_t>& ids) {
  w.add_packed_uint64(field, ids.begin(), ids.end());
}
void put_message(protozero::pbf_writer& w, std::uint32_t field, const std::string& body) {
  check_length(body.size());
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

/// The version-4 UUIDs of one call. Random bytes are read from the operating system in blocks
/// (one system call for 16 ids instead of one or more per id); libuuid's generator is the
/// fallback when the block cannot be read. Nothing is kept between calls.
class Uuids {
 public:
  std::string next() {
    uuid_t uuid;
    if (used_ + sizeof(uuid_t) > pool_.size()) {
      if (getentropy(pool_.data(), pool_.size()) != 0) {
        uuid_generate_random(uuid);
        return text(uuid);
      }
      used_ = 0;
    }
    std::memcpy(uuid, pool_.data() + used_, sizeof(uuid_t));
    used_ += sizeof(uuid_t);
    uuid[6] = std::uint8_t((uuid[6] & 0x0Fu) | 0x40u);  // version 4
    uuid[8] = std::uint8_t((uuid[8] & 0x3Fu) | 0x80u);  // RFC 4122 variant
    return text(uuid);
  }

 private:
  static std::string text(const uuid_t uuid) {
    char out[37];
    uuid_unparse_lower(uuid, out);
    return std::string(out, 36);
  }

  std::array<unsigned char, 256> pool_{};  // getentropy's limit per call
  std::size_t used_ = pool_.size();
};

/// One node table: records in insertion order, equal records once.
///
/// Nodes are written after their children by a walk with its own stack, so a tree at the depth
/// limit needs no more C stack than a leaf.
class NodeTable {
 public:
  /// `serialize_walk_expression` (and `serialize_walk_condition`): the index of the record of
  /// the node, written after everything it refers to.
  std::uint64_t expression(const Node& root);
  /// An `Index` message: the element and, when there is one, the condition.
  std::string index(const ElementNode& element, const Node* condition);
  /// Every record as one `expr_nodes` field of `w`.
  void write_records(protozero::pbf_writer& w, std::uint32_t field) const;

 private:
  /// The nodes a node's record refers to, in the order they are written.
  void children(const Node& node, std::vector<const Node*>& out);
  std::uint64_t record(const Node& node);
  std::uint64_t id_of(const Node& node) const { return written_.at(&node); }
  std::uint64_t intern(std::uint32_t member, const std::string& body);
  std::uint64_t element(const ElementNode& node);
  std::uint64_t decision_var(const DecisionVarNode& node);
  std::uint64_t subscript(const SubscriptNode& node);
  std::uint64_t commutative(const std::vector<Expr>& terms, std::int32_t kind);
  std::string bound(const Bound& bound) const;
  template <class List>
  std::vector<std::uint64_t> ids_of(const List& items) const;
  /// The terms an Add or Mul node is written with (see `children`).
  const std::vector<Expr>* normal_terms(const Node& node) const;

  // Records compare as their encodings: the writer is canonical (fields in order, defaults
  // left out), so equal fields give equal bytes.
  tsl::ordered_set<std::string, std::hash<std::string>, std::equal_to<std::string>,
                   std::allocator<std::string>, std::vector<std::string>>
      records_;
  // A node already written: every node's record depends on the node alone.
  std::unordered_map<const Node*, std::uint64_t> written_;
  // Add and Mul nodes written in the normal form that ignores LaTeX strings, with its terms
  // (new nodes, kept alive here so their addresses stay unique while the table lives).
  std::unordered_map<const Node*, std::vector<Expr>> normal_forms_;
};

std::uint64_t NodeTable::intern(std::uint32_t member, const std::string& body) {
  std::string node = message([&](protozero::pbf_writer& w) { put_message(w, member, body); });
  const auto [position, inserted] = records_.insert(std::move(node));
  return std::uint64_t(position - records_.begin());
}

void NodeTable::write_records(protozero::pbf_writer& w, std::uint32_t field) const {
  for (const std::string& node : records_.values_container()) put_message(w, field, node);
}

template <class List>
std::vector<std::uint64_t> NodeTable::ids_of(const List& items) const {
  std::vector<std::uint64_t> ids;
  ids.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) ids.push_back(id_of(*items[i]));
  return ids;
}

const std::vector<Expr>* NodeTable::normal_terms(const Node& node) const {
  const auto found = normal_forms_.find(&node);
  return found == normal_forms_.end() ? nullptr : &found->second;
}

void NodeTable::children(const Node& node, std::vector<const Node*>& out) {
  out.clear();
  switch (node.tag) {
    case Tag::Element: {
      const Node& set = *as<ElementNode>(node).set;
      if (set.tag == Tag::Range) {
        out.push_back(as<RangeNode>(set).start.get());
        out.push_back(as<RangeNode>(set).end.get());
      } else {
        out.push_back(&set);
      }
      return;
    }
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(node);
      for (const Expr& s : v.shape) out.push_back(s.get());
      if (v.var_kind() != DecisionVarKind::Binary) {  // a binary variable's bounds are fixed
        out.push_back(v.lower_bound.node.get());
        out.push_back(v.upper_bound.node.get());
      }
      return;
    }
    case Tag::CommutativeOp: {
      const auto& c = as<CommutativeNode>(node);
      bool any_latex = false;
      for (std::size_t i = 0; i < c.terms.size(); ++i) any_latex = any_latex || has_latex(*c.terms[i]);
      if (any_latex && (c.op() == CommutativeKind::Add || c.op() == CommutativeKind::Mul)) {
        // The LaTeX strings that kept these terms apart are not written, so neither is the split.
        std::vector<Expr>& terms = normal_forms_[&node];
        terms = c.op() == CommutativeKind::Add ? add_op_flatten(node) : mul_op_flatten(node);
        for (const Expr& term : terms) out.push_back(term.get());
        return;
      }
      for (std::size_t i = 0; i < c.terms.size(); ++i) out.push_back(c.terms[i].get());
      return;
    }
    default:
      // Every other node refers to its children in stored order (a reduction: index element,
      // condition, body).
      for_each_child(node, [&](const Expr& child) { out.push_back(child.get()); });
      return;
  }
}

std::uint64_t NodeTable::expression(const Node& root) {
  struct Pending {
    const Node* node;
    bool expanded;
  };
  std::vector<Pending> stack{{&root, false}};
  std::vector<const Node*> below;
  while (!stack.empty()) {
    Pending& top = stack.back();
    if (written_.count(top.node) != 0) {
      stack.pop_back();
      continue;
    }
    if (!top.expanded) {
      top.expanded = true;
      children(*top.node, below);
      // The first child goes on top, so children are written first to last.
      for (auto child = below.rbegin(); child != below.rend(); ++child) stack.push_back({*child, false});
      continue;
    }
    const Node& node = *top.node;
    stack.pop_back();
    written_.emplace(&node, record(node));
  }
  return id_of(root);
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
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, array_length::kType, type);
        put_u64(w, array_length::kArrayId, id_of(array));
        put_u64(w, array_length::kAxis, a.axis);
      }));
    }
    case Tag::UnaryOp: {
      const auto& u = as<UnaryNode>(node);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, unary_op::kKind, kUnaryWire[std::size_t(u.op())]);
        put_u64(w, unary_op::kOperandId, id_of(*u.operand));
      }));
    }
    case Tag::BinaryOp:
    case Tag::Comparison: {
      const bool comparison = node.tag == Tag::Comparison;
      const Expr& left = comparison ? as<ComparisonNode>(node).left : as<BinaryNode>(node).left;
      const Expr& right = comparison ? as<ComparisonNode>(node).right : as<BinaryNode>(node).right;
      const std::int32_t kind = std::int32_t(node.kind) + (comparison ? kComparisonOffset : kBinaryOffset);
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, binary_op::kKind, kind);
        put_u64(w, binary_op::kLeftId, id_of(*left));
        put_u64(w, binary_op::kRightId, id_of(*right));
      }));
    }
    case Tag::CommutativeOp: {
      const std::int32_t kind = std::int32_t(node.kind) + kCommutativeOffset;
      if (const std::vector<Expr>* terms = normal_terms(node)) {
        // A normal form of one term stands for the node itself.
        if (terms->size() == 1) return id_of(*terms->front());
        return commutative(*terms, kind);
      }
      return commutative(as<CommutativeNode>(node).terms.to_vector(), kind);
    }
    case Tag::Logical:
      return commutative(as<LogicalNode>(node).terms, std::int32_t(node.kind) + kLogicalOffset);
    case Tag::ReductionOp: {
      const auto& r = as<ReductionNode>(node);
      const std::string index_body = message([&](protozero::pbf_writer& w) {
        put_u64(w, index::kElementId, id_of(*r.index));
        if (r.condition) w.add_uint64(index::kConditionId, id_of(*r.condition));  // 0 is written
      });
      return intern(member, message([&](protozero::pbf_writer& w) {
        put_enum(w, reduction_op::kKind, std::int32_t(node.kind) + kReductionOffset);
        put_message(w, reduction_op::kIndex, index_body);
        put_u64(w, reduction_op::kOperandId, id_of(*r.operand));
      }));
    }
    case Tag::Range: break;  // written inside its element
  }
  throw std::logic_error("a range is not a record of its own");
}

std::uint64_t NodeTable::commutative(const std::vector<Expr>& terms, std::int32_t kind) {
  const std::vector<std::uint64_t> ids = ids_of(terms);
  return intern(expr_node::kCommutativeOp, message([&](protozero::pbf_writer& w) {
    put_enum(w, commutative_op::kKind, kind);
    put_ids(w, commutative_op::kTermIds, ids);
  }));
}

std::uint64_t NodeTable::element(const ElementNode& node) {
  const Node& set = *node.set;
  if (set.tag == Tag::Range) {
    const auto& r = as<RangeNode>(set);
    const std::string range_body = message([&](protozero::pbf_writer& w) {
      put_u64(w, range::kStartId, id_of(*r.start));
      put_u64(w, range::kEndId, id_of(*r.end));
    });
    return intern(expr_node::kElement, message([&](protozero::pbf_writer& w) {
      put_string(w, element::kName, node.name);
      put_u64(w, element::kNdim, node.ndim);
      put_message(w, element::kRange, range_body);
    }));
  }
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
  const std::string set_body = message([&](protozero::pbf_writer& w) {
    put_enum(w, bound::kType, type);
    put_u64(w, bound::kBoundId, id_of(set));
  });
  return intern(expr_node::kElement, message([&](protozero::pbf_writer& w) {
    put_string(w, element::kName, node.name);
    put_u64(w, element::kNdim, node.ndim);
    put_message(w, element::kBound, set_body);
  }));
}

std::string NodeTable::bound(const Bound& value) const {
  std::int32_t type = kBoundExpression;
  if (value.kind == Bound::Kind::Placeholder) type = kBoundPlaceholder;
  if (value.kind == Bound::Kind::Subscript) type = kBoundSubscriptedPlaceholder;
  return message([&](protozero::pbf_writer& w) {
    put_enum(w, bound::kType, type);
    put_u64(w, bound::kBoundId, id_of(*value.node));
  });
}

std::uint64_t NodeTable::decision_var(const DecisionVarNode& node) {
  const std::vector<std::uint64_t> shape = ids_of(node.shape);
  const bool binary = node.var_kind() == DecisionVarKind::Binary;
  return intern(expr_node::kDecisionVar, message([&](protozero::pbf_writer& w) {
    put_enum(w, decision_var::kType, std::int32_t(node.kind) + kDecisionVarOffset);
    put_string(w, decision_var::kName, node.name);
    put_ids(w, decision_var::kShapeIds, shape);
    if (!binary) {  // the reader restores a binary variable's fixed bounds
      put_message(w, decision_var::kLowerBound, bound(node.lower_bound));
      put_message(w, decision_var::kUpperBound, bound(node.upper_bound));
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
  const std::vector<std::uint64_t> subscripts = ids_of(node.subscripts);
  return intern(expr_node::kSubscript, message([&](protozero::pbf_writer& w) {
    put_u64(w, subscript::kNdim, node.ndim);
    put_enum(w, subscript::kType, type);
    put_u64(w, subscript::kVariableId, id_of(*node.variable));
    put_ids(w, subscript::kSubscriptIds, subscripts);
  }));
}

std::string NodeTable::index(const ElementNode& element_node, const Node* condition_node) {
  const std::uint64_t element_id = expression(element_node);
  const bool has_condition = condition_node != nullptr;
  const std::uint64_t condition_id = has_condition ? expression(*condition_node) : 0;
  return message([&](protozero::pbf_writer& w) {
    put_u64(w, index::kElementId, element_id);
    if (has_condition) w.add_uint64(index::kConditionId, condition_id);  // explicit presence: 0 is written
  });
}

/// An `Expr` message: a table of its own, the root's index, a new id.
std::string expr_message(Uuids& ids, const Node& node) {
  NodeTable table;
  const std::uint64_t root = table.expression(node);
  return message([&](protozero::pbf_writer& w) {
    w.add_string(expr::kId, ids.next());
    put_u64(w, expr::kRootId, root);
    table.write_records(w, expr::kExprNodes);
  });
}

std::string header_message(Uuids& ids, std::uint32_t body_field, const std::string& body) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(header::kId, ids.next());
    put_u64(w, header::kVersion, kSchemaVersion);
    put_message(w, body_field, body);
  });
}

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

std::string constraint_message(Uuids& ids, const Constraint& value) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(constraint::kId, ids.next());
    put_string(w, constraint::kName, value.name);
    put_enum(w, constraint::kSense, std::int32_t(value.sense) + kSenseOffset);
    put_message(w, constraint::kLeft, expr_message(ids, *value.left));
    put_message(w, constraint::kRight, expr_message(ids, *value.right));
    put_message(w, constraint::kForallList, forall_list_message(value.forall));
  });
}

std::string custom_penalty_term_message(Uuids& ids, const CustomPenaltyTerm& value) {
  return message([&](protozero::pbf_writer& w) {
    w.add_string(custom_penalty_term::kId, ids.next());
    put_string(w, custom_penalty_term::kName, value.name);
    put_message(w, custom_penalty_term::kTerm, expr_message(ids, *value.expression));
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
  Uuids ids;
  return header_message(ids, header::kExpr, expr_message(ids, node));
}

std::string serialize_problem(const Problem& problem) {
  Uuids ids;
  const std::string body = message([&](protozero::pbf_writer& w) {
    w.add_string(problem::kId, ids.next());
    put_string(w, problem::kName, problem.name);
    put_enum(w, problem::kSense, std::int32_t(problem.sense) + kSenseOffset);
    put_message(w, problem::kObjectiveFunction, expr_message(ids, *problem.objective));
    for (const auto& [name, value] : problem.constraints) {
      put_message(w, problem::kConstraints, map_entry_message(name, constraint_message(ids, value)));
    }
    for (const auto& [name, value] : problem.custom_penalty_terms) {
      put_message(w, problem::kCustomPenaltyTerms, map_entry_message(name, custom_penalty_term_message(ids, value)));
    }
  });
  return header_message(ids, header::kProblem, body);
}

std::string serialize_constraint(const Constraint& constraint) {
  Uuids ids;
  return header_message(ids, header::kConstraint, constraint_message(ids, constraint));
}

std::string serialize_custom_penalty_term(const CustomPenaltyTerm& term) {
  Uuids ids;
  return header_message(ids, header::kCustomPenaltyTerm, custom_penalty_term_message(ids, term));
}

}  // namespace zorvane::protobuf
