// Reading the messages of the byte format. Every known field checks its wire type; unknown
// fields (groups included) are skipped; nothing is sized from a count read off the wire.
#include "core/protobuf/messages.hpp"

#include <algorithm>
#include <utility>

#include "core/error.hpp"
#include "core/interrupt.hpp"
#include "core/protobuf/schema.hpp"

namespace zorvane::protobuf {

const char* const kInvalidWireFormat =
    "failed to decode the input buffer because it did not contain a valid Protobuf message.";

namespace {

[[noreturn]] void fail() { raise(ErrorKind::ProtobufDeserialization, kInvalidWireFormat); }

/// The fields of one message, read in order.
class FieldReader {
 public:
  /// The whole buffer as a message, read into lists of `arena`.
  FieldReader(std::string_view buffer, Arena* arena)
      : FieldReader(buffer, 0, buffer.data() + buffer.size(), arena) {}

  /// Reads the next key; false at the end of the message.
  [[gnu::always_inline]] bool next() {
    if (p_ == end_) return false;
    poll_.tick();
    const std::uint64_t key = varint();
    if (key > 0xFFFF'FFFFu) fail();
    const std::uint64_t wire = key & 7u;
    field_ = std::uint32_t(key >> 3);
    if (field_ == 0 || wire > 5) fail();
    wire_ = WireType(wire);
    return true;
  }

  std::uint32_t field() const noexcept { return field_; }
  /// The bytes of this message not read yet.
  std::size_t remaining() const noexcept { return std::size_t(end_ - p_); }
  Arena* arena() const noexcept { return arena_; }

  [[gnu::always_inline]] std::uint64_t u64() {
    expect(WireType::Varint);
    return varint();
  }
  /// An enum is a 32-bit signed value: the varint is truncated to its low 32 bits.
  [[gnu::always_inline]] std::int32_t enum32() { return std::int32_t(std::uint32_t(u64())); }

  /// A string field: valid UTF-8, pointing into the buffer.
  std::string_view text() {
    const std::string_view bytes = delimited();
    if (!is_valid_utf8(bytes)) fail();
    return bytes;
  }

  /// A uint64 field that holds a record id.
  [[gnu::always_inline]] Id id() { return to_id(u64()); }

  /// A repeated uint64 of record ids, packed or one value per occurrence; appended to `out`.
  [[gnu::always_inline]] void id_list(List<Id>& out) {
    if (wire_ == WireType::Varint) {
      out.push_back(to_id(varint()));
      return;
    }
    FieldReader packed(delimited(), depth_, limit_, arena_);
    while (packed.p_ != packed.end_) {
      poll_.tick();
      out.push_back(to_id(packed.varint()));
    }
  }

  /// The reader of a nested message.
  [[gnu::always_inline]] FieldReader message() { return FieldReader(delimited(), depth_ + 1, limit_, arena_); }

  /// How many of the remaining fields are `field`, counted without moving this reader. A
  /// malformed field fails here as it would when read, since reading checks at least as much.
  std::size_t count(std::uint32_t field) const {
    FieldReader scan = *this;
    std::size_t n = 0;
    while (scan.next()) {
      if (scan.field_ == field) ++n;
      scan.skip();
    }
    return n;
  }

  /// Skips the value of a field the schema does not know.
  void skip() { skip_value(field_, wire_, depth_); }

 private:
  static Id to_id(std::uint64_t value) noexcept { return value < UINT32_MAX ? Id(value) : Id(UINT32_MAX); }

  [[gnu::always_inline]] void expect(WireType wire) const {
    if (wire_ != wire) fail();
  }

  [[gnu::always_inline]] std::uint64_t varint() {
    // Most keys, lengths and ids fit in one byte.
    if (p_ != end_ && static_cast<std::uint8_t>(*p_) < 0x80) return static_cast<std::uint8_t>(*p_++);
    // Ten bytes left in the buffer, the most a varint takes: no byte is checked against the end
    // until the last is found.
    if (limit_ - p_ >= 10) return long_varint();
    std::uint64_t value = 0;
    for (int i = 0; i < 10; ++i) {
      if (p_ == end_) fail();
      const auto byte = static_cast<std::uint8_t>(*p_++);
      if (i == 9 && byte > 1) fail();  // more than 64 bits
      value |= std::uint64_t(byte & 0x7Fu) << (7 * i);
      if (byte < 0x80) return value;
    }
    fail();
  }

  // A varint of two bytes or more, with ten bytes of the buffer left to read; it fails as the
  // byte-by-byte reading would, also when it runs past the end of this message.
  [[gnu::noinline]] std::uint64_t long_varint() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p_);
    std::uint64_t value = bytes[0] & 0x7Fu;
    for (int i = 1; i < 10; ++i) {
      const std::uint8_t byte = bytes[i];
      value |= std::uint64_t(byte & 0x7Fu) << (7 * i);
      if (byte < 0x80) {
        if (i == 9 && byte > 1) fail();  // more than 64 bits
        if (i + 1 > end_ - p_) fail();
        p_ += i + 1;
        return value;
      }
    }
    fail();
  }

  [[gnu::always_inline]] std::string_view delimited() {
    expect(WireType::LengthDelimited);
    return take(varint());
  }

  [[gnu::always_inline]] std::string_view take(std::uint64_t size) {
    if (size > std::uint64_t(end_ - p_)) fail();
    const std::string_view bytes(p_, std::size_t(size));
    p_ += size;
    return bytes;
  }

  void skip_value(std::uint32_t field, WireType wire, int depth) {
    switch (wire) {
      case WireType::Varint: varint(); return;
      case WireType::Fixed64: take(8); return;
      case WireType::LengthDelimited: take(varint()); return;
      case WireType::Fixed32: take(4); return;
      case WireType::StartGroup: {
        // A group ends at the end-group key of the same field; groups nest like messages.
        if (depth + 1 > kMaxNesting) fail();
        while (next()) {
          if (wire_ == WireType::EndGroup) {
            if (field_ != field) fail();
            return;
          }
          skip_value(field_, wire_, depth + 1);
        }
        fail();  // the buffer ended inside the group
      }
      case WireType::EndGroup: fail();  // no group is open
    }
    fail();
  }

  FieldReader(std::string_view data, int depth, const char* limit, Arena* arena)
      : p_(data.data()), end_(data.data() + data.size()), limit_(limit), arena_(arena), depth_(depth) {
    if (depth_ > kMaxNesting) fail();
  }

  InterruptPoll poll_;  // a large buffer is read in many steps: Ctrl-C stops it
  const char* p_;
  const char* end_;
  const char* limit_;  ///< the end of the whole buffer, which holds this message
  Arena* arena_;
  int depth_;
  std::uint32_t field_ = 0;
  WireType wire_ = WireType::Varint;
};

// ---- One parse function per message: each merges the fields it reads into `m` ----

void parse(FieldReader&& r, NumberLitMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case number_lit::kType: m.type = r.enum32(); break;
      case number_lit::kValue: m.value = r.u64(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, PlaceholderMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case placeholder::kName: m.name = r.text(); break;
      case placeholder::kNdim: m.ndim = r.u64(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, RangeMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case range::kStartId: m.start_id = r.id(); break;
      case range::kEndId: m.end_id = r.id(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, BoundMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case bound::kType: m.type = r.enum32(); break;
      case bound::kBoundId: m.bound_id = r.id(); break;
      default: r.skip();
    }
  }
}

/// A message that holds lists is made with the reader's arena.
template <class M, class Make>
void make(const FieldReader& r, Make&& emplace) {
  if constexpr (std::is_constructible_v<M, Arena*>) {
    emplace(r.arena());
  } else {
    emplace();
  }
}

/// A singular message field: a repeated occurrence merges into the earlier one.
template <class M>
void merge(FieldReader& r, std::optional<M>& slot) {
  if (!slot) make<M>(r, [&](auto... arena) { slot.emplace(arena...); });
  parse(r.message(), *slot);
}

/// A oneof member: the last member decides; a repeated occurrence of the same one merges.
template <class M, class Variant>
void merge_member(FieldReader& r, Variant& oneof) {
  if (!std::holds_alternative<M>(oneof)) make<M>(r, [&](auto... arena) { oneof.template emplace<M>(arena...); });
  parse(r.message(), std::get<M>(oneof));
}

void parse(FieldReader&& r, ElementMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case element::kName: m.name = r.text(); break;
      case element::kNdim: r.u64(); break;
      case element::kBound: merge_member<BoundMsg>(r, m.belong_to); break;
      case element::kRange: merge_member<RangeMsg>(r, m.belong_to); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, DecisionVarMsg& m, List<Id>& ids) {
  while (r.next()) {
    switch (r.field()) {
      case decision_var::kType: m.type = r.enum32(); break;
      case decision_var::kName: m.name = r.text(); break;
      case decision_var::kShapeIds: r.id_list(ids); break;
      case decision_var::kLowerBound: merge(r, m.lower_bound); break;
      case decision_var::kUpperBound: merge(r, m.upper_bound); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, ArrayLengthMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case array_length::kType: m.type = r.enum32(); break;
      case array_length::kArrayId: m.array_id = r.id(); break;
      case array_length::kAxis: m.axis = r.u64(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, SubscriptMsg& m, List<Id>& ids) {
  while (r.next()) {
    switch (r.field()) {
      case subscript::kNdim: r.u64(); break;
      case subscript::kType: r.enum32(); break;
      case subscript::kVariableId: m.variable_id = r.id(); break;
      case subscript::kSubscriptIds: r.id_list(ids); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, UnaryOpMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case unary_op::kKind: m.kind = r.enum32(); break;
      case unary_op::kOperandId: m.operand_id = r.id(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, BinaryOpMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case binary_op::kKind: m.kind = r.enum32(); break;
      case binary_op::kLeftId: m.left_id = r.id(); break;
      case binary_op::kRightId: m.right_id = r.id(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, CommutativeOpMsg& m, List<Id>& ids) {
  while (r.next()) {
    switch (r.field()) {
      case commutative_op::kKind: m.kind = r.enum32(); break;
      case commutative_op::kTermIds: r.id_list(ids); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, IndexMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case index::kElementId: m.element_id = r.id(); break;
      case index::kConditionId: m.condition_id = r.id(); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, ReductionOpMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case reduction_op::kKind: {
        const std::int32_t kind = r.enum32();
        m.kind = kind >= 0 && kind <= UINT8_MAX ? std::uint8_t(kind) : 0;
        break;
      }
      case reduction_op::kIndex: {  // a repeated occurrence merges into the earlier one
        IndexMsg index = m.index();
        parse(r.message(), index);
        m.set_index(index);
        break;
      }
      case reduction_op::kOperandId: m.operand_id = r.id(); break;
      default: r.skip();
    }
  }
}

/// The member `M` of a record, started afresh (its id list, from `start` on, too) when another
/// member was set.
template <class M>
M& node_member(ExprNodeMsg& m, NodeTableMsg& table, std::size_t start) {
  if (!std::holds_alternative<M>(m)) {
    m.emplace<M>();
    if (table.ids.size() != start) table.ids.resize(start);
  }
  return std::get<M>(m);
}

/// The same for a member kept in the table's list; a new one is appended to the list.
template <class M>
M& stored_member(ExprNodeMsg& m, NodeTableMsg& table, std::size_t start) {
  auto& list = std::get<List<M>>(table.stored);
  if (!std::holds_alternative<Stored<M>>(m)) {
    m.emplace<Stored<M>>(Stored<M>{std::uint32_t(list.size())});
    list.emplace_back();
    if (table.ids.size() != start) table.ids.resize(start);
  }
  return list[std::get<Stored<M>>(m).at];
}

/// Reads an `ExprNode` into `m` and the table's lists; the table held `start` ids before.
void parse_node(FieldReader&& r, ExprNodeMsg& m, NodeTableMsg& t, std::size_t start) {
  while (r.next()) {
    switch (r.field()) {
      case expr_node::kNumberLit: parse(r.message(), node_member<NumberLitMsg>(m, t, start)); break;
      case expr_node::kPlaceholder: parse(r.message(), stored_member<PlaceholderMsg>(m, t, start)); break;
      case expr_node::kDecisionVar: {
        DecisionVarMsg& v = stored_member<DecisionVarMsg>(m, t, start);
        parse(r.message(), v, t.ids);
        break;
      }
      case expr_node::kArrayLength: parse(r.message(), node_member<ArrayLengthMsg>(m, t, start)); break;
      case expr_node::kUnaryOp: parse(r.message(), node_member<UnaryOpMsg>(m, t, start)); break;
      case expr_node::kBinaryOp: parse(r.message(), node_member<BinaryOpMsg>(m, t, start)); break;
      case expr_node::kCommutativeOp: parse(r.message(), node_member<CommutativeOpMsg>(m, t, start), t.ids); break;
      case expr_node::kElement: parse(r.message(), stored_member<ElementMsg>(m, t, start)); break;
      case expr_node::kSubscript: parse(r.message(), node_member<SubscriptMsg>(m, t, start), t.ids); break;
      case expr_node::kReductionOp: parse(r.message(), node_member<ReductionOpMsg>(m, t, start)); break;
      default: r.skip();
    }
  }
}

/// Appends one record to a table, its id list to the table's ids.
void add_record(FieldReader&& r, NodeTableMsg& table) {
  // Ids and records take at least a byte each, so these hold for any buffer under 4 GiB.
  if (table.ids.size() >= UINT32_MAX || table.nodes.size() >= UINT32_MAX) fail();
  const std::size_t start = table.ids.size();
  // Read in place: a failure leaves a partial record, but then the whole buffer is refused.
  ExprNodeMsg& node = table.nodes.emplace_back();
  parse_node(std::move(r), node, table, start);
  if (table.ids.size() > UINT32_MAX) fail();
  const IdRange range{std::uint32_t(start), std::uint32_t(table.ids.size() - start)};
  if (auto* v = std::get_if<Stored<DecisionVarMsg>>(&node)) std::get<List<DecisionVarMsg>>(table.stored)[v->at].shape_ids = range;
  if (auto* s = std::get_if<SubscriptMsg>(&node)) s->subscript_ids = range;
  if (auto* c = std::get_if<CommutativeOpMsg>(&node)) c->term_ids = range;
}

/// Room for `more` items after those `list` holds. A table written in many occurrences is merged
/// into one, and the arena keeps each block a list grows out of: a list that must grow at least
/// doubles, so the blocks left behind add up to no more than the list.
template <class T>
void reserve_more(List<T>& list, std::size_t more) {
  const std::size_t wanted = list.size() + more;
  if (wanted > list.capacity()) list.reserve(std::max(wanted, 2 * list.capacity()));
}

/// Sizes a table for the records (`field`) that follow in `r`: a table grown one record at a
/// time would be copied again and again, and in the arena a grown list leaves its old memory
/// behind. A small table's records are counted first, and most refer to one or two others. A
/// large one is not read twice: it gets room for a record per 12 bytes and an id per 8, about
/// what a model as writers write it holds (2.5 bytes of room per byte of input, so a large input
/// does not need many times its size in address space); a table that holds more grows.
void reserve(NodeTableMsg& table, const FieldReader& r, std::uint32_t field) {
  constexpr std::size_t kLargeTable = 1 << 20;
  const std::size_t bytes = r.remaining();
  if (bytes < kLargeTable) {
    const std::size_t records = r.count(field);
    reserve_more(table.nodes, records);
    reserve_more(table.ids, 2 * records);
  } else {
    reserve_more(table.nodes, bytes / 12);
    reserve_more(table.ids, bytes / 8);
  }
}

void parse(FieldReader&& r, ExprMsg& m) {
  reserve(m.expr_nodes, r, expr::kExprNodes);
  while (r.next()) {
    switch (r.field()) {
      case expr::kId: r.text(); break;  // never used, but must be valid text
      case expr::kRootId: m.root_id = r.u64(); break;
      case expr::kExprNodes: add_record(r.message(), m.expr_nodes); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, ForallListMsg& m) {
  reserve(m.expr_nodes, r, forall_list::kExprNodes);
  while (r.next()) {
    switch (r.field()) {
      case forall_list::kIndices: parse(r.message(), m.indices.emplace_back()); break;
      case forall_list::kExprNodes: add_record(r.message(), m.expr_nodes); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, ConstraintMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case constraint::kId: r.text(); break;
      case constraint::kName: m.name = r.text(); break;
      case constraint::kSense: m.sense = r.enum32(); break;
      case constraint::kLeft: merge(r, m.left); break;
      case constraint::kRight: merge(r, m.right); break;
      case constraint::kForallList: merge(r, m.forall_list); break;
      default: r.skip();
    }
  }
}

void parse(FieldReader&& r, CustomPenaltyTermMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case custom_penalty_term::kId: r.text(); break;
      case custom_penalty_term::kName: m.name = r.text(); break;
      case custom_penalty_term::kTerm: merge(r, m.term); break;
      case custom_penalty_term::kForallList: merge(r, m.forall_list); break;
      default: r.skip();
    }
  }
}

/// One entry of a map field: its key and value (merged when repeated inside the entry) replace
/// an earlier entry with the same key.
template <class M>
void parse_entry(FieldReader&& r, std::pmr::map<std::string_view, M>& map) {
  std::string_view key;
  std::optional<M> value;
  while (r.next()) {
    switch (r.field()) {
      case map_entry::kKey: key = r.text(); break;
      case map_entry::kValue: merge(r, value); break;
      default: r.skip();
    }
  }
  // Writers put the entries in key order: at the end is where a new key usually goes.
  map.insert_or_assign(map.end(), key, value ? std::move(*value) : M{});
}

void parse(FieldReader&& r, ProblemMsg& m) {
  while (r.next()) {
    switch (r.field()) {
      case problem::kId: r.text(); break;
      case problem::kName: m.name = r.text(); break;
      case problem::kSense: m.sense = r.enum32(); break;
      case problem::kObjectiveFunction: merge(r, m.objective_function); break;
      case problem::kConstraints: parse_entry(r.message(), m.constraints); break;
      case problem::kCustomPenaltyTerms: parse_entry(r.message(), m.custom_penalty_terms); break;
      default: r.skip();
    }
  }
}

}  // namespace

HeaderMsg parse_header(std::string_view buffer, Arena* arena) {
  HeaderMsg m;
  FieldReader r(buffer, arena);
  while (r.next()) {
    switch (r.field()) {
      case header::kId: r.text(); break;
      case header::kVersion: m.version = r.u64(); break;
      case header::kProblem: merge_member<ProblemMsg>(r, m.body); break;
      case header::kConstraint: merge_member<ConstraintMsg>(r, m.body); break;
      case header::kCustomPenaltyTerm: merge_member<CustomPenaltyTermMsg>(r, m.body); break;
      case header::kExpr: merge_member<ExprMsg>(r, m.body); break;
      default: r.skip();
    }
  }
  return m;
}

bool is_valid_utf8(std::string_view text) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if ((c & 0xE0u) == 0xC0u) {
      length = 2, code = c & 0x1Fu, minimum = 0x80;
    } else if ((c & 0xF0u) == 0xE0u) {
      length = 3, code = c & 0x0Fu, minimum = 0x800;
    } else if ((c & 0xF8u) == 0xF0u) {
      length = 4, code = c & 0x07u, minimum = 0x10000;
    } else {
      return false;  // a continuation byte, or a lead byte of a form longer than four bytes
    }
    if (std::size_t(end - p) < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((p[k] & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (p[k] & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    p += length;
  }
  return true;
}

}  // namespace zorvane::protobuf
