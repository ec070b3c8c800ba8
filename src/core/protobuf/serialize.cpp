// The writer: every expression tree is flattened into a node table that stores equal records
// once, children before parents, so every reference points to a smaller position.
#include "core/protobuf/serialize.hpp"

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <protozero/pbf_writer.hpp>
#include <protozero/varint.hpp>
#include <unistd.h>
#include <uuid/uuid.h>

#include "core/expression/expression.hpp"
#include "core/expression/flatten.hpp"
#include "core/expression/tree_walk.hpp"
#include "core/protobuf/schema.hpp"

namespace zorvane::protobuf {
namespace {

constexpr const char* kNoCapacity =
    "failed to encode the Problem because the buffer did not have sufficient capacity.";

// A length-delimited field longer than this cannot be read back by a standard reader.
constexpr std::size_t kMaxMessageSize = std::size_t(std::numeric_limits<std::int32_t>::max());

void check_length(std::size_t size) {
  if (size > kMaxMessageSize) raise(ErrorKind::ProtobufSerialization, kNoCapacity);
}

/// Writes field `field` of the message being written into `out`: a message whose fields
/// `fill()` appends to `out`. It is written in place, its length filled in once it is known, so
/// a large model is not copied at every level of nesting. An empty message is written too.
template <class Fill>
void put_message_in_place(std::string& out, std::uint32_t field, Fill&& fill) {
  protozero::pbf_writer parent(out);
  {
    protozero::pbf_writer body(parent, field);
    const std::size_t start = out.size();
    fill();
    check_length(out.size() - start);
    if (out.size() != start) return;  // `body` writes the length as it closes
    body.rollback();  // protozero drops an empty nested message; the format keeps it
  }
  parent.add_message(field, "", 0);
}

/// The records of a forall item or a reduction's index.
struct IndexIds {
  std::uint64_t element;
  std::optional<std::uint64_t> condition;
};

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

/// Fields appended to `out` in the canonical encoding (in field order, defaults left out,
/// present messages always written, packed lists), written directly: a record is a few bytes,
/// and a writer object per record cost more than the bytes themselves.
class Fields {
 public:
  explicit Fields(std::string& out) : out_(out) {}

  void u64(std::uint32_t field, std::uint64_t value) {
    if (value == 0) return;
    key(field, WireType::Varint);
    varint(value);
  }
  /// An enum is written as its 64-bit sign extension, as every protobuf writer does.
  void enum32(std::uint32_t field, std::int32_t value) { u64(field, std::uint64_t(std::int64_t(value))); }
  void text(std::uint32_t field, const std::string& value) {
    check_length(value.size());
    if (!value.empty()) message(field, value);
  }
  /// A message field (always written, empty or not).
  void message(std::uint32_t field, std::string_view body) {
    check_length(body.size());
    key(field, WireType::LengthDelimited);
    varint(body.size());
    out_.append(body);
  }
  void packed(std::uint32_t field, const std::uint64_t* ids, std::size_t count) {
    if (count == 0) return;
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i) size += std::size_t(protozero::length_of_varint(ids[i]));
    check_length(size);
    key(field, WireType::LengthDelimited);
    varint(size);
    for (std::size_t i = 0; i < count; ++i) varint(ids[i]);
  }
  /// The fields of an `Index` message.
  void index(const IndexIds& ids) {
    u64(index::kElementId, ids.element);
    if (ids.condition) {  // explicit presence: 0 is written
      key(index::kConditionId, WireType::Varint);
      varint(*ids.condition);
    }
  }

 private:
  void key(std::uint32_t field, WireType wire) { varint(std::uint64_t(field) << 3 | std::uint64_t(wire)); }
  void varint(std::uint64_t value) { protozero::add_varint_to_buffer(&out_, value); }

  std::string& out_;
};

/// The fields of a new record or nested message, in the scratch buffer `out`.
Fields fresh(std::string& out) {
  out.clear();
  return Fields(out);
}

/// One node table: records in insertion order, equal records once. Trees are added by walks
/// over them (`walk_tree`, on a heap stack), each node's record written when the records of
/// its children are, so a tree at the depth limit needs no more C stack than a leaf.
class NodeTable : public WalkHooks {
 public:
  /// A table written as the repeated field `field` of its message, kept until `write_records`.
  explicit NodeTable(std::uint32_t field)
      : field_key_(std::uint64_t(field) << 3 | std::uint64_t(WireType::LengthDelimited)), bytes_(own_), base_(0) {}
  /// The same, its records written straight to the end of `out` (which must grow only by them
  /// while the table lives): a large table is not copied.
  NodeTable(std::uint32_t field, std::string& out)
      : field_key_(std::uint64_t(field) << 3 | std::uint64_t(WireType::LengthDelimited)),
        bytes_(out),
        base_(out.size()) {}
  NodeTable(const NodeTable&) = delete;
  NodeTable& operator=(const NodeTable&) = delete;

  /// The index of the record of `root`, an expression or a condition, written after everything
  /// it refers to.
  std::uint64_t expression(const Node& root) {
    walk_tree(root, *this);
    const std::uint64_t id = ids_.back();
    ids_.pop_back();
    return id;
  }
  /// The records of a forall item: its element and, when there is one, its condition.
  IndexIds index(const ElementNode& element, const Node* condition) {
    IndexIds ids{expression(element), std::nullopt};
    if (condition != nullptr) ids.condition = expression(*condition);
    return ids;
  }
  /// Every record kept, as one field each, at the end of `out`.
  void write_records(std::string& out) const { out.append(own_); }

  // The hooks of the walk.
  Visit enter(const Node& node, const WalkFrame* parent);
  const Node* next_child(WalkFrame& frame);
  void leave(const WalkFrame& frame);

 private:
  /// An entry of the table of distinct records: the hash of the record's bytes, kept so that
  /// growing the table never reads a record again, and the record's index.
  struct Slot {
    std::uint32_t hash = 0;  // the low half
    std::uint32_t record = kEmpty;
  };
  static constexpr std::uint32_t kEmpty = UINT32_MAX;
  static constexpr std::uint32_t kNone = UINT32_MAX;

  std::string_view bytes_of(std::uint32_t record) const noexcept {
    const std::size_t start = base_ + (record == 0 ? 0 : ends_[record - 1]);
    return std::string_view(bytes_).substr(start, base_ + ends_[record] - start);
  }
  /// The earlier record equal to `record`, the last one written (its children `children_`).
  std::optional<std::uint32_t> find_equal(std::uint32_t record);
  /// The earlier record in the hash table equal to the last one written, or null when there is
  /// none (the last one is then entered into the table).
  const std::uint32_t* find_or_insert_last();
  void grow();
  /// The terms an Add or Mul node is written with when they differ from its own (see `enter`).
  const std::vector<Expr>* normal_terms(const Node& node) noexcept {
    return normal_forms_.size() == 0 ? nullptr : normal_forms_.find(&node);
  }
  /// Writes the record of `node`, whose children have the records `ids`; gives its index.
  std::uint64_t record_of(const Node& node, const std::uint64_t* ids);
  // The record of each kind, in the `ExprNode` member that holds it (`kRecordMember`). Every
  // kind needs its own: for a kind without one, `record_of` picks the deleted template.
  template <class Kind>
  std::uint64_t record(const Kind& node, const std::uint64_t* ids) = delete;
  std::uint64_t record(const NumberLitNode& node, const std::uint64_t* ids);
  std::uint64_t record(const PlaceholderNode& node, const std::uint64_t* ids);
  std::uint64_t record(const ElementNode& node, const std::uint64_t* ids);
  std::uint64_t record(const DecisionVarNode& node, const std::uint64_t* ids);
  std::uint64_t record(const SubscriptNode& node, const std::uint64_t* ids);
  std::uint64_t record(const ArrayLengthNode& node, const std::uint64_t* ids);
  std::uint64_t record(const UnaryNode& node, const std::uint64_t* ids);
  std::uint64_t record(const BinaryNode& node, const std::uint64_t* ids);
  std::uint64_t record(const CommutativeNode& node, const std::uint64_t* ids);
  std::uint64_t record(const ReductionNode& node, const std::uint64_t* ids);
  std::uint64_t record(const ComparisonNode& node, const std::uint64_t* ids);
  std::uint64_t record(const LogicalNode& node, const std::uint64_t* ids);
  /// A range is written inside its element's record, never as one of its own.
  [[noreturn]] std::uint64_t record(const RangeNode& node, const std::uint64_t* ids);
  /// `body_` as a record of the member `member`: its index, the earlier one if equal.
  std::uint64_t intern(std::uint32_t member);
  std::uint64_t binary(std::int32_t kind, const std::uint64_t* ids);
  std::uint64_t commutative(std::int32_t kind, const std::uint64_t* ids, std::size_t count);
  /// A `Bound` message into `nested_`.
  const std::string& bound(std::int32_t type, std::uint64_t id);

  // The records as they are written: one field each (the table's field, the length, the
  // `ExprNode` message), back to back from bytes_[base_]; record k ends at base_ + ends_[k].
  const std::uint64_t field_key_;
  std::string own_;
  std::string& bytes_;
  const std::size_t base_;
  std::vector<std::uint32_t> ends_;  // a table is within one message, under 2 GiB
  // Equal records once: the writer is canonical (fields in order, defaults left out), so equal
  // fields give equal bytes. Open addressing over the records' hashes, at most 3/4 full.
  std::vector<Slot> slots_;
  std::size_t slots_used_ = 0;
  // Per record, the first record that referred to it (kNone: none yet).
  std::vector<std::uint32_t> first_parent_;
  // The records of the children of the node whose record is being written.
  std::span<const std::uint64_t> children_;
  // The record of every shared node written so far: a node's record depends on the node alone.
  // A node held by one reference is reached once, and not kept here.
  IdentityMap<const Node*, std::uint64_t> written_;
  // For each node being walked: whether the walk can meet it again, so its id is remembered.
  std::vector<bool> remembered_;
  // Add and Mul nodes written in the normal form that ignores LaTeX strings, with its terms
  // (new nodes, kept alive here so that their addresses stay unique while the table lives).
  IdentityMap<const Node*, std::vector<Expr>> normal_forms_;
  // The records of the children of the nodes being walked, in order.
  std::vector<std::uint64_t> ids_;
  // Scratch buffers of one record and of a message nested in it.
  std::string body_;
  std::string nested_;
};

Visit NodeTable::enter(const Node& node, const WalkFrame* parent) {
  const bool twice = reachable_twice(node, parent);
  if (twice) {
    if (const std::uint64_t* id = written_.find(&node)) {
      ids_.push_back(*id);
      return Visit::SkipChildren;
    }
  }
  if (node.tag == Tag::CommutativeOp) {
    const auto& c = as<CommutativeNode>(node);
    if (c.op() == CommutativeKind::Add || c.op() == CommutativeKind::Mul) {
      // The LaTeX strings that kept these terms apart are not written, so neither is the split.
      if (c.terms.latex_count() > 0) {
        normal_forms_.insert(&node, c.op() == CommutativeKind::Add ? add_op_flatten(node) : mul_op_flatten(node));
      }
    }
  }
  remembered_.push_back(twice);
  return Visit::Continue;
}

const Node* NodeTable::next_child(WalkFrame& frame) {
  // The children in the order their records are written, which is stored order except for
  // a range (its bounds stand in the element's record), a binary variable's fixed bounds
  // (not written) and a normal form's terms.
  const Node& node = *frame.node;
  const Node* child = nullptr;
  switch (node.tag) {
    case Tag::Element: {
      const Node& set = *as<ElementNode>(node).set;
      if (set.tag != Tag::Range) {
        child = frame.next == 0 ? &set : nullptr;
      } else if (frame.next < 2) {
        child = (frame.next == 0 ? as<RangeNode>(set).start : as<RangeNode>(set).end).get();
      }
      break;
    }
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(node);
      const std::size_t i = frame.next;
      if (i < v.shape.size()) {
        child = v.shape[i].get();
      } else if (v.var_kind() != DecisionVarKind::Binary && i < v.shape.size() + 2) {
        child = (i == v.shape.size() ? v.lower_bound : v.upper_bound).node.get();
      }
      break;
    }
    case Tag::CommutativeOp:
      if (const std::vector<Expr>* terms = normal_terms(node)) {
        child = frame.next < terms->size() ? (*terms)[frame.next].get() : nullptr;
        break;
      }
      return WalkHooks::next_child(frame);
    default: return WalkHooks::next_child(frame);
  }
  if (child != nullptr) ++frame.next;
  return child;
}

void NodeTable::leave(const WalkFrame& frame) {
  const std::size_t first = ids_.size() - frame.next;
  children_ = std::span<const std::uint64_t>(ids_.data() + first, frame.next);
  const std::uint64_t id = record_of(*frame.node, ids_.data() + first);
  ids_.resize(first);
  ids_.push_back(id);
  if (remembered_.back()) written_.insert(frame.node, id);
  remembered_.pop_back();
}

std::uint64_t NodeTable::intern(std::uint32_t member) {
  const std::uint64_t member_key = std::uint64_t(member) << 3 | std::uint64_t(WireType::LengthDelimited);
  const std::size_t record_size = std::size_t(protozero::length_of_varint(member_key)) +
                                  std::size_t(protozero::length_of_varint(body_.size())) + body_.size();
  check_length(record_size);
  const std::size_t start = bytes_.size();
  char head[4 * 10];  // four varints
  char* end = head;
  for (const std::uint64_t value : {field_key_, std::uint64_t(record_size), member_key, std::uint64_t(body_.size())}) {
    end += protozero::add_varint_to_buffer(end, value);
  }
  bytes_.append(head, std::size_t(end - head));
  bytes_.append(body_);
  // The table is written inside one message: past its limit, nothing more need be kept.
  check_length(bytes_.size() - base_);
  ends_.push_back(std::uint32_t(bytes_.size() - base_));
  const auto record = std::uint32_t(ends_.size() - 1);
  if (const std::optional<std::uint32_t> earlier = find_equal(record)) {
    ends_.pop_back();
    bytes_.resize(start);
    return *earlier;
  }
  first_parent_.push_back(kNone);
  for (const std::uint64_t child : children_) {
    if (first_parent_[child] == kNone) first_parent_[child] = record;
  }
  return record;
}

std::optional<std::uint32_t> NodeTable::find_equal(std::uint32_t record) {
  // Children come before parents, so a record that is the first to refer to a child is new:
  // nothing before it had that child. Such a record is not entered into the hash table; a
  // later record equal to it has the same children and finds it as their first parent.
  bool first_reference = false;
  for (const std::uint64_t child : children_) first_reference = first_reference || first_parent_[child] == kNone;
  if (first_reference) return std::nullopt;
  const std::string_view bytes = bytes_of(record);
  for (const std::uint64_t child : children_) {
    if (bytes_of(first_parent_[child]) == bytes) return first_parent_[child];
  }
  if (const std::uint32_t* earlier = find_or_insert_last()) return *earlier;
  return std::nullopt;
}

const std::uint32_t* NodeTable::find_or_insert_last() {
  if ((slots_used_ + 1) * 4 > slots_.size() * 3) grow();
  const auto last = std::uint32_t(ends_.size() - 1);
  const std::string_view bytes = bytes_of(last);
  const auto hash = std::uint32_t(std::hash<std::string_view>{}(bytes));
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.record == kEmpty) {
      slot = Slot{hash, last};
      ++slots_used_;
      return nullptr;
    }
    if (slot.hash == hash && bytes_of(slot.record) == bytes) return &slot.record;
  }
}

void NodeTable::grow() {
  std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.record == kEmpty) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].record != kEmpty) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

std::uint64_t NodeTable::record_of(const Node& node, const std::uint64_t* ids) {
  return visit(node, [&](const auto& record_of_kind) { return record(record_of_kind, ids); });
}

std::uint64_t NodeTable::record(const NumberLitNode& node, const std::uint64_t*) {
  const NumericValue value = node.value;
  Fields w = fresh(body_);
  w.enum32(number_lit::kType, value.is_integer() ? kInteger : kFloat);
  w.u64(number_lit::kValue, value.is_integer() ? std::bit_cast<std::uint64_t>(value.integer)
                                                : std::bit_cast<std::uint64_t>(value.real));
  return intern(kRecordMember<NumberLitNode>);
}

std::uint64_t NodeTable::record(const PlaceholderNode& node, const std::uint64_t*) {
  Fields w = fresh(body_);
  w.text(placeholder::kName, node.name);
  w.u64(placeholder::kNdim, node.ndim);
  return intern(kRecordMember<PlaceholderNode>);
}

std::uint64_t NodeTable::record(const ArrayLengthNode& node, const std::uint64_t* ids) {
  std::int32_t type = kArrayOther;
  switch (node.array->tag) {
    case Tag::Placeholder: type = kArrayPlaceholder; break;
    case Tag::Element: type = kArrayElement; break;
    case Tag::Subscript: {
      const Tag variable = as<SubscriptNode>(node.array).variable->tag;
      type = variable == Tag::Placeholder ? kArraySubscriptedPlaceholder
             : variable == Tag::Element   ? kArraySubscriptedElement
                                          : kArrayOther;
      break;
    }
    default: break;
  }
  Fields w = fresh(body_);
  w.enum32(array_length::kType, type);
  w.u64(array_length::kArrayId, ids[0]);
  w.u64(array_length::kAxis, node.axis);
  return intern(kRecordMember<ArrayLengthNode>);
}

std::uint64_t NodeTable::record(const UnaryNode& node, const std::uint64_t* ids) {
  Fields w = fresh(body_);
  w.enum32(unary_op::kKind, kUnaryWire[std::size_t(node.op())]);
  w.u64(unary_op::kOperandId, ids[0]);
  return intern(kRecordMember<UnaryNode>);
}

static_assert(kRecordMember<BinaryNode> == expr_node::kBinaryOp && kRecordMember<ComparisonNode> == expr_node::kBinaryOp);
static_assert(kRecordMember<CommutativeNode> == expr_node::kCommutativeOp &&
              kRecordMember<LogicalNode> == expr_node::kCommutativeOp);

std::uint64_t NodeTable::binary(std::int32_t kind, const std::uint64_t* ids) {
  Fields w = fresh(body_);
  w.enum32(binary_op::kKind, kind);
  w.u64(binary_op::kLeftId, ids[0]);
  w.u64(binary_op::kRightId, ids[1]);
  return intern(expr_node::kBinaryOp);
}

std::uint64_t NodeTable::record(const BinaryNode& node, const std::uint64_t* ids) {
  return binary(std::int32_t(node.kind) + kBinaryOffset, ids);
}

std::uint64_t NodeTable::record(const ComparisonNode& node, const std::uint64_t* ids) {
  return binary(std::int32_t(node.kind) + kComparisonOffset, ids);
}

std::uint64_t NodeTable::record(const CommutativeNode& node, const std::uint64_t* ids) {
  const std::int32_t kind = std::int32_t(node.kind) + kCommutativeOffset;
  if (const std::vector<Expr>* terms = normal_terms(node)) {
    // A normal form of one term stands for the node itself.
    if (terms->size() == 1) return ids[0];
    return commutative(kind, ids, terms->size());
  }
  return commutative(kind, ids, node.terms.size());
}

std::uint64_t NodeTable::record(const LogicalNode& node, const std::uint64_t* ids) {
  return commutative(std::int32_t(node.kind) + kLogicalOffset, ids, node.terms.size());
}

std::uint64_t NodeTable::record(const ReductionNode& node, const std::uint64_t* ids) {
  const bool has_condition = bool(node.condition);
  fresh(nested_).index(IndexIds{ids[0], has_condition ? std::optional(ids[1]) : std::nullopt});
  Fields w = fresh(body_);
  w.enum32(reduction_op::kKind, std::int32_t(node.kind) + kReductionOffset);
  w.message(reduction_op::kIndex, nested_);
  w.u64(reduction_op::kOperandId, ids[has_condition ? 2 : 1]);
  return intern(kRecordMember<ReductionNode>);
}

std::uint64_t NodeTable::record(const RangeNode&, const std::uint64_t*) {
  throw std::logic_error("a range is not a record of its own: it is written inside its element");
}

std::uint64_t NodeTable::commutative(std::int32_t kind, const std::uint64_t* ids, std::size_t count) {
  Fields w = fresh(body_);
  w.enum32(commutative_op::kKind, kind);
  w.packed(commutative_op::kTermIds, ids, count);
  return intern(expr_node::kCommutativeOp);
}

std::uint64_t NodeTable::record(const ElementNode& node, const std::uint64_t* ids) {
  const Node& set = *node.set;
  if (set.tag == Tag::Range) {
    Fields range = fresh(nested_);
    range.u64(range::kStartId, ids[0]);
    range.u64(range::kEndId, ids[1]);
    Fields w = fresh(body_);
    w.text(element::kName, node.name);
    w.u64(element::kNdim, node.ndim);
    w.message(element::kRange, nested_);
    return intern(kRecordMember<ElementNode>);
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
  bound(type, ids[0]);
  Fields w = fresh(body_);
  w.text(element::kName, node.name);
  w.u64(element::kNdim, node.ndim);
  w.message(element::kBound, nested_);
  return intern(kRecordMember<ElementNode>);
}

const std::string& NodeTable::bound(std::int32_t type, std::uint64_t id) {
  Fields w = fresh(nested_);
  w.enum32(bound::kType, type);
  w.u64(bound::kBoundId, id);
  return nested_;
}

std::int32_t bound_type(const Bound& value) noexcept {
  if (value.kind == Bound::Kind::Placeholder) return kBoundPlaceholder;
  if (value.kind == Bound::Kind::Subscript) return kBoundSubscriptedPlaceholder;
  return kBoundExpression;
}

std::uint64_t NodeTable::record(const DecisionVarNode& node, const std::uint64_t* ids) {
  const std::size_t rank = node.shape.size();
  Fields w = fresh(body_);
  w.enum32(decision_var::kType, std::int32_t(node.kind) + kDecisionVarOffset);
  w.text(decision_var::kName, node.name);
  w.packed(decision_var::kShapeIds, ids, rank);
  if (node.var_kind() != DecisionVarKind::Binary) {  // the reader restores a binary variable's fixed bounds
    w.message(decision_var::kLowerBound, bound(bound_type(node.lower_bound), ids[rank]));
    w.message(decision_var::kUpperBound, bound(bound_type(node.upper_bound), ids[rank + 1]));
  }
  return intern(kRecordMember<DecisionVarNode>);
}

std::uint64_t NodeTable::record(const SubscriptNode& node, const std::uint64_t* ids) {
  std::int32_t type = kVariableSubscript;
  switch (node.variable->tag) {
    case Tag::Placeholder: type = kVariablePlaceholder; break;
    case Tag::Element: type = kVariableElement; break;
    case Tag::DecisionVar: type = kVariableDecisionVar; break;
    default: break;
  }
  Fields w = fresh(body_);
  w.u64(subscript::kNdim, node.ndim);
  w.enum32(subscript::kType, type);
  w.u64(subscript::kVariableId, ids[0]);
  w.packed(subscript::kSubscriptIds, ids + 1, node.subscripts.size());
  return intern(kRecordMember<SubscriptNode>);
}


/// The body of an `Expr` message: a table of its own, the root's index, a new id.
void write_expr(std::string& out, Uuids& ids, const Node& node) {
  Fields(out).text(expr::kId, ids.next());
  // The root's index comes before the records and is known after them: room is left for its
  // field, and what it does not use is closed up (a move within `out`, not a copy of the table).
  constexpr std::size_t kRoom = 1 + protozero::max_varint_length;
  const std::size_t room = out.size();
  out.append(kRoom, '\0');
  const std::uint64_t root = NodeTable(expr::kExprNodes, out).expression(node);
  std::string field;
  Fields(field).u64(expr::kRootId, root);
  out.replace(room, kRoom, field);
}

/// The body of a `ForallList` message: one table for all items.
void write_forall_list(std::string& out, const ForallList& list) {
  NodeTable table(forall_list::kExprNodes);
  std::vector<IndexIds> indices;
  indices.reserve(list.size());
  for (const ForallItem& item : list) indices.push_back(table.index(*item.element, item.condition.get()));
  Fields w(out);
  std::string body;
  for (const IndexIds& index : indices) {
    fresh(body).index(index);
    w.message(forall_list::kIndices, body);
  }
  table.write_records(out);
}

void write_constraint(std::string& out, Uuids& ids, const Constraint& value) {
  Fields w(out);
  w.text(constraint::kId, ids.next());
  w.text(constraint::kName, value.name);
  w.enum32(constraint::kSense, std::int32_t(value.sense) + kSenseOffset);
  put_message_in_place(out, constraint::kLeft, [&] { write_expr(out, ids, *value.left); });
  put_message_in_place(out, constraint::kRight, [&] { write_expr(out, ids, *value.right); });
  put_message_in_place(out, constraint::kForallList, [&] { write_forall_list(out, value.forall); });
}

void write_custom_penalty_term(std::string& out, Uuids& ids, const CustomPenaltyTerm& value) {
  Fields w(out);
  w.text(custom_penalty_term::kId, ids.next());
  w.text(custom_penalty_term::kName, value.name);
  put_message_in_place(out, custom_penalty_term::kTerm, [&] { write_expr(out, ids, *value.expression); });
  put_message_in_place(out, custom_penalty_term::kForallList, [&] { write_forall_list(out, value.forall); });
}

/// One map entry: the key (left out when empty, as any default) and the value, always present.
template <class Value>
void write_map_entry(std::string& out, const std::string& key, Value&& value) {
  Fields(out).text(map_entry::kKey, key);
  put_message_in_place(out, map_entry::kValue, value);
}

void write_problem(std::string& out, Uuids& ids, const Problem& problem) {
  Fields w(out);
  w.text(problem::kId, ids.next());
  w.text(problem::kName, problem.name);
  w.enum32(problem::kSense, std::int32_t(problem.sense) + kSenseOffset);
  put_message_in_place(out, problem::kObjectiveFunction, [&] { write_expr(out, ids, *problem.objective); });
  for (const auto& entry : problem.constraints) {
    put_message_in_place(out, problem::kConstraints, [&] {
      write_map_entry(out, entry.first, [&] { write_constraint(out, ids, entry.second); });
    });
  }
  for (const auto& entry : problem.custom_penalty_terms) {
    put_message_in_place(out, problem::kCustomPenaltyTerms, [&] {
      write_map_entry(out, entry.first, [&] { write_custom_penalty_term(out, ids, entry.second); });
    });
  }
}

/// The encoded `Header` whose body, field `body_field`, `write_body(out)` writes.
template <class WriteBody>
std::string header_message(std::uint32_t body_field, WriteBody&& write_body) {
  Uuids ids;
  std::string out;
  Fields w(out);
  w.text(header::kId, ids.next());
  w.u64(header::kVersion, kSchemaVersion);
  put_message_in_place(out, body_field, [&] { write_body(out, ids); });
  return out;
}

}  // namespace

std::string serialize_expr(const Node& node) {
  return header_message(header::kExpr, [&](std::string& out, Uuids& ids) { write_expr(out, ids, node); });
}

std::string serialize_problem(const Problem& problem) {
  return header_message(header::kProblem, [&](std::string& out, Uuids& ids) { write_problem(out, ids, problem); });
}

std::string serialize_constraint(const Constraint& constraint) {
  return header_message(header::kConstraint,
                        [&](std::string& out, Uuids& ids) { write_constraint(out, ids, constraint); });
}

std::string serialize_custom_penalty_term(const CustomPenaltyTerm& term) {
  return header_message(header::kCustomPenaltyTerm,
                        [&](std::string& out, Uuids& ids) { write_custom_penalty_term(out, ids, term); });
}

std::string serialize(const Body& body) {
  return std::visit(Overloaded{
                        [](const Expr& v) { return serialize_expr(*v); },
                        [](const Problem& v) { return serialize_problem(v); },
                        [](const Constraint& v) { return serialize_constraint(v); },
                        [](const CustomPenaltyTerm& v) { return serialize_custom_penalty_term(v); },
                    },
                    body);
}

}  // namespace zorvane::protobuf
