// Rebuilding nodes from a node table. The node kinds decide how a reference is read; the
// informational fields (element ndim, set types, array-length and subscript types, subscript
// ndim) are never read, since the builders derive them again.
#include "core/protobuf/node_decoder.hpp"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/expression/arithmetic.hpp"
#include "core/expression/decision_var.hpp"
#include "core/expression/function_nodes.hpp"
#include "core/expression/indexing.hpp"
#include "core/interrupt.hpp"
#include "core/protobuf/schema.hpp"

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
constexpr const char* kTooMuchWork =
    "failed to decode the input buffer because rebuilding its expressions would take too much work";

// The budget grows with the input. Records are rebuilt once each and the builders' checks read
// what each node knows from its construction, so reading takes steps in proportion to the input;
// the budget is a safety net that keeps any check added later from making hostile input cost
// more than a bounded multiple of its size.
constexpr std::uint64_t kBaseWork = std::uint64_t(1) << 26;
constexpr std::uint64_t kWorkPerByte = 512;

[[noreturn]] void refuse(const char* text) { raise(ErrorKind::ProtobufDeserialization, text); }

[[noreturn]] void refuse_limit(std::string text) {
  throw DecodeLimitError{{ErrorKind::ProtobufDeserialization, std::move(text)}};
}

/// Made once: a refusal keeps its text as a pointer.
const char* too_deep_text() {
  static const std::string text = "failed to decode the input buffer because an expression is nested more than " +
                                  std::to_string(kMaxDepth) + " levels deep";
  return text.c_str();
}

/// A role's bit in a set of roles.
template <class Role>
constexpr std::uint8_t bit(Role role) noexcept {
  return std::uint8_t(1u << std::uint8_t(role));
}

/// Whether this reader rebuilds nodes from records of the member `member` (the cases of
/// `expression_step` and `condition_step`).
constexpr bool is_read(std::uint32_t member) noexcept {
  switch (member) {
    case expr_node::kNumberLit:
    case expr_node::kPlaceholder:
    case expr_node::kDecisionVar:
    case expr_node::kArrayLength:
    case expr_node::kUnaryOp:
    case expr_node::kBinaryOp:
    case expr_node::kCommutativeOp:
    case expr_node::kElement:
    case expr_node::kSubscript:
    case expr_node::kReductionOp: return true;
    default: return false;
  }
}

// Every node kind is read back: the member that holds its records (`record_member`, schema.hpp)
// is one this reader reads. A kind without its row there does not build here; a kind held in a
// member that other kinds share (as comparisons share `BinaryOp`) needs its reading added to
// that member's case.
#define ZORVANE_NODE_KIND(Name, Type) \
  static_assert(is_read(kRecordMember<Type>), "the records of " #Type " are not read");
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND

/// The number of a literal; nothing when its type is not a number type.
std::optional<Expr> number_of(const NumberLitMsg& m) {
  if (m.type == kFloat) return make_number(NumericValue::of_float(std::bit_cast<double>(m.value)));
  if (m.type == kInteger) return make_number(NumericValue::of_integer(std::bit_cast<std::int64_t>(m.value)));
  return std::nullopt;
}

std::optional<CommutativeKind> commutative_kind(std::int32_t wire) noexcept {
  return kind_from_wire<CommutativeKind>(wire, kCommutativeOffset, kCommutativeKindCount);
}

/// The sum, product, minimum or maximum of `terms`.
Expr commutative_of(CommutativeKind kind, std::vector<Expr> terms) {
  if (kind == CommutativeKind::Add) return build_add_of_terms(std::move(terms));
  if (kind == CommutativeKind::Mul) return build_mul_of_terms(std::move(terms));
  return make_commutative(kind, TermList(std::move(terms)));  // a minimum or maximum, as written
}

}  // namespace

// ---- DecodeBudget -----------------------------------------------------------------------

DecodeBudget::DecodeBudget(std::size_t input_size) noexcept
    : start_(InterruptPoll::steps()), limit_(kBaseWork + kWorkPerByte * input_size) {}

void DecodeBudget::check() const {
  if (InterruptPoll::steps() - start_ > limit_) refuse_limit(kTooMuchWork);
}

std::uint64_t DecodeBudget::left() const noexcept {
  const std::uint64_t spent = InterruptPoll::steps() - start_;
  return spent < limit_ ? limit_ - spent : 0;
}

// ---- NodeDecoder ------------------------------------------------------------------------

NodeDecoder::NodeDecoder(const NodeTableMsg& table, DecodeBudget& budget, Scratch& scratch)
    : table_(table),
      budget_(budget),
      items_(scratch.items),
      built_(scratch.built),
      tasks_(scratch.tasks),
      requests_(scratch.requests) {
  built_.resize(table.size());
}

NodeDecoder::~NodeDecoder() {
  // The nodes are let go now, not when the next table is read.
  items_.clear();
  built_.clear();
  tasks_.clear();
  requests_.clear();
}

Expr NodeDecoder::only_expression(std::uint64_t id, const char* missing) {
  if (const Expr* root = read_root(id, missing)) return *root;
  raise_refusal();
}

std::optional<Expr> NodeDecoder::only_expression_if_read(std::uint64_t id, const char* missing) {
  if (const Expr* root = read_root(id, missing)) return *root;
  if (refusal_.limit) raise_refusal();
  refusal_ = {};
  return std::nullopt;
}

const Expr* NodeDecoder::read_root(std::uint64_t id, const char* missing) {
  build_ahead();
  if (const Expr* root = find(id, Role::Expression)) return root;
  forget();
  return run(id, Role::Expression, missing);
}

void NodeDecoder::forget() noexcept {
  building_ahead_ = false;  // also when an error left the pass
  refusal_ = {};
  for (Built& built : built_) {
    if (built.done != 0) built = Built{};
  }
}

void NodeDecoder::build_ahead() {
  // At most a share of the budget: records built ahead but never asked for must not make the
  // input refused.
  const std::uint64_t stop = InterruptPoll::steps() + budget_.left() / 4;
  InterruptPoll poll;
  building_ahead_ = true;
  for (std::uint64_t id = 0; id < table_.size() && InterruptPoll::steps() < stop; ++id) {
    poll.tick();
    const ExprNodeMsg& record = table_.nodes[id];
    Role own = Role::Expression;  // the role of the record's kind, where it has one
    switch (record.index()) {
      case 0: continue;
      case expr_node::kPlaceholder: own = Role::Placeholder; break;
      case expr_node::kElement: own = Role::Element; break;
      case expr_node::kDecisionVar: own = Role::DecisionVar; break;
      case expr_node::kSubscript: own = Role::Subscript; break;
      case expr_node::kBinaryOp:  // a comparison is read as a condition, never as an expression
        if (kind_from_wire<ComparisonKind>(std::get<BinaryOpMsg>(record).kind, kComparisonOffset, kComparisonKindCount)) {
          own = Role::Condition;
        }
        break;
      case expr_node::kCommutativeOp:
        if (kind_from_wire<LogicalKind>(std::get<CommutativeOpMsg>(record).kind, kLogicalOffset, kLogicalKindCount)) {
          own = Role::Condition;
        }
        break;
      default: break;
    }
    if (own == Role::Condition) {
      build_ahead(id, own);
    } else if (own != Role::Expression) {
      // An array operand is only read in its own role: as an expression it would fail.
      build_ahead(id, own);
      const Expr* operand = find(id, own);
      if (operand != nullptr && operand_ndim(**operand) == 0) build_ahead(id, Role::Expression);
    } else {
      build_ahead(id, Role::Expression);
    }
  }
  building_ahead_ = false;
}

void NodeDecoder::build_ahead(std::uint64_t id, Role role) {
  const Task task{id, role, kRootMissing, 1};
  running_ = &task;
  running_levels_ = 1;
  // Nothing is raised here: a step checks what its builders would refuse before it calls them.
  Step value = step(task);
  running_ = nullptr;
  // A record that cannot be built is left to be built when asked for, which reports it in its
  // place.
  refusal_ = {};
  if (value && running_levels_ <= kMaxDepth) {
    keep(id, role, std::move(*value));
    levels(id, role) = std::uint16_t(running_levels_);
  }
}

std::uint16_t& NodeDecoder::levels(std::uint64_t id, Role role) noexcept {
  return role == Role::Expression ? built_[id].expression_levels : built_[id].other_levels;
}

const Expr* NodeDecoder::find(std::uint64_t id, Role role) const noexcept {
  if (id >= built_.size() || (built_[id].done & bit(role)) == 0) return nullptr;
  return role == Role::Expression ? &built_[id].expression : &built_[id].other;
}

std::nullopt_t NodeDecoder::cannot(const char* text, bool limit) noexcept {
  if (refusal_.text == nullptr) refusal_ = Refusal{text, limit};
  return std::nullopt;
}

void NodeDecoder::raise_refusal() {
  const Refusal refusal = std::exchange(refusal_, Refusal{});
  if (refusal.limit) refuse_limit(refusal.text);
  refuse(refusal.text);
}

bool NodeDecoder::expect_member(std::uint64_t id, std::uint32_t member, const char* missing, const char* wrong) {
  if (id < table_.size() && table_.nodes[id].index() == member) return true;
  cannot(id < table_.size() ? wrong : missing);
  return false;
}

std::optional<NodeDecoder::Role> NodeDecoder::operand_role(std::uint64_t id, const char* missing,
                                                           bool decision_var) {
  if (id >= table_.size()) return cannot(missing);
  switch (table_.nodes[id].index()) {
    case expr_node::kPlaceholder: return Role::Placeholder;
    case expr_node::kElement: return Role::Element;
    case expr_node::kSubscript: return Role::Subscript;
    case expr_node::kDecisionVar:
      if (decision_var) return Role::DecisionVar;
      return cannot(kInvalidMessage);
    case 0: return cannot(kUnsetKind);
    default: return cannot(kInvalidMessage);
  }
}

const ExprNodeMsg& NodeDecoder::read(const Task& task) const { return table_.nodes[task.id]; }

bool NodeDecoder::is_active(std::uint64_t id, Role role) const noexcept {
  return id < built_.size() && (built_[id].active & bit(role)) != 0;
}

const Expr& NodeDecoder::keep(std::uint64_t id, Role role, Expr value) {
  built_[id].done |= bit(role);
  Expr& slot = role == Role::Expression ? built_[id].expression : built_[id].other;
  slot = std::move(value);
  return slot;
}

Expr NodeDecoder::decoded(std::uint64_t id, Role role, const char* missing) {
  if (const Expr* node = run(id, role, missing)) return *node;
  raise_refusal();
}

Expr NodeDecoder::expression(std::uint64_t id, const char* missing) { return decoded(id, Role::Expression, missing); }

Expr NodeDecoder::condition(std::uint64_t id, const char* missing) { return decoded(id, Role::Condition, missing); }

IndexItem NodeDecoder::index(const IndexMsg& message) {
  if (!expect_member(message.element_id, expr_node::kElement, kIndexMissing, kIndexKind)) raise_refusal();
  IndexItem item{element_node(decoded(message.element_id, Role::Element, kIndexMissing)), Expr()};
  if (message.condition_id) item.condition = decoded(*message.condition_id, Role::Condition, kConditionMissing);
  return item;
}

const Expr* NodeDecoder::need(std::uint64_t id, Role role, const char* missing) {
  if (const Expr* found = find(id, role)) {
    if (building_ahead_) {
      // A record's node stands at most two levels above its children's (an element over a
      // range): one built on a higher child would make its builder refuse it as too deep.
      if ((*found)->height + 2 > kMaxDepth) return nullptr;
      // A record's other role is at its own level.
      running_levels_ = std::max<std::uint32_t>(running_levels_, levels(id, role) + (id != running_->id ? 1 : 0));
    }
    return found;
  }
  if (building_ahead_) return nullptr;
  // Asked for again while it waits for its own children: the references form a cycle.
  if (is_active(id, role)) {
    cannot(kCycle, true);
    return nullptr;
  }
  const std::uint32_t depth = running_->depth + (id != running_->id ? 1 : 0);
  // A literal that its task would build without an error is built now: nothing can fail in
  // between, so the checks and their order stay those of the task, which is saved.
  if (role == Role::Expression && id < table_.size() && depth <= kMaxDepth) {
    if (const auto* literal = std::get_if<NumberLitMsg>(&table_.nodes[id])) {
      if (std::optional<Expr> number = number_of(*literal)) return &keep(id, role, std::move(*number));
    }
  }
  requests_.push_back(Task{id, role, missing, depth});
  return nullptr;
}

bool NodeDecoder::need_all(IdList ids, Role role, const char* missing, std::vector<Expr>& out) {
  // Every missing item is asked for at once; they are rebuilt one after the other in list
  // order, each looked up only when its turn comes. The same walk collects the items while all
  // so far are there (a rebuilt node stays in its slot of `built_`).
  out.reserve(out.size() + ids.size());  // the ids were read from the input, so this is bounded by it
  bool complete = true;
  for (const std::uint64_t id : ids) {
    const Expr* item = need(id, role, missing);
    if (refusal_.text != nullptr) return false;
    if (item == nullptr) {
      if (complete) out.clear();
      complete = false;
    } else if (complete) {
      out.push_back(*item);
    }
  }
  return complete;
}

bool NodeDecoder::start(Task& task) {
  if (task.id >= table_.size()) {
    cannot(task.missing);
  } else if (is_active(task.id, task.role)) {
    cannot(kCycle, true);
  } else if (task.depth > kMaxDepth) {
    cannot(too_deep_text(), true);
  } else {
    built_[task.id].active |= bit(task.role);
    task.started = true;
  }
  return task.started;
}

const Expr* NodeDecoder::run(std::uint64_t id, Role role, const char* missing) {
  try {
    InterruptPoll poll;
    tasks_.push_back(Task{id, role, missing, 1});
    while (!tasks_.empty()) {
      poll.tick();
      if (find(tasks_.back().id, tasks_.back().role) != nullptr) {  // asked for twice, rebuilt since
        tasks_.pop_back();
        continue;
      }
      if (!tasks_.back().started && !start(tasks_.back())) break;
      const Task task = tasks_.back();
      running_ = &task;
      requests_.clear();
      Step value = step(task);
      running_ = nullptr;
      if (refusal_.text != nullptr) break;
      budget_.check();
      if (!value) {
        // The first child asked for goes on top, so children are rebuilt in order.
        tasks_.insert(tasks_.end(), requests_.rbegin(), requests_.rend());
        continue;
      }
      tasks_.pop_back();
      built_[task.id].active &= std::uint8_t(~bit(task.role));
      keep(task.id, task.role, std::move(*value));
    }
  } catch (const Error& error) {
    abandon();
    // A rebuilt tree deeper than the builders allow: the input's fault, reported as such.
    if (error.kind == ErrorKind::Recursion) refuse_limit(too_deep_text());
    throw;
  } catch (...) {
    abandon();
    throw;
  }
  if (refusal_.text != nullptr) {
    abandon();
    return nullptr;
  }
  return find(id, role);
}

void NodeDecoder::abandon() noexcept {
  // Only the records of tasks on the stack are active.
  for (const Task& task : tasks_) {
    if (task.id < built_.size()) built_[task.id].active = 0;
  }
  tasks_.clear();
}

NodeDecoder::Step NodeDecoder::step(const Task& task) {
  switch (task.role) {
    case Role::Expression: return expression_step(task);
    case Role::Condition: return condition_step(task);
    case Role::Placeholder: return placeholder_step(task);
    case Role::Element: return element_step(task);
    case Role::Subscript: return subscript_step(task);
    case Role::DecisionVar: return decision_var_step(task);
  }
  throw std::logic_error("unknown decoding role");
}

NodeDecoder::Step NodeDecoder::expression_step(const Task& task) {
  const std::uint64_t id = task.id;
  // The record itself is read only by the kinds whose fields are needed here.
  switch (read(task).index()) {
    case expr_node::kNumberLit: {
      if (std::optional<Expr> number = number_of(std::get<NumberLitMsg>(read(task)))) return number;
      return cannot(kNumberLitType);
    }
    case expr_node::kPlaceholder: {
      const Expr* placeholder = need(id, Role::Placeholder, kRootMissing);
      if (!placeholder) return std::nullopt;
      return placeholder_into_scalar(*placeholder);
    }
    case expr_node::kElement: {
      const Expr* element = need(id, Role::Element, kRootMissing);
      if (!element) return std::nullopt;
      return element_into_scalar(*element);
    }
    case expr_node::kDecisionVar: {
      const Expr* variable = need(id, Role::DecisionVar, kRootMissing);
      if (!variable) return std::nullopt;
      return decision_var_into_scalar(*variable);
    }
    case expr_node::kSubscript: return subscript_expression_step(task);
    case expr_node::kArrayLength: return array_length_step(std::get<ArrayLengthMsg>(read(task)));
    case expr_node::kUnaryOp: return unary_step(std::get<UnaryOpMsg>(read(task)));
    case expr_node::kBinaryOp: return binary_step(std::get<BinaryOpMsg>(read(task)));
    case expr_node::kCommutativeOp: return commutative_step(std::get<CommutativeOpMsg>(read(task)));
    case expr_node::kReductionOp: return reduction_step(std::get<ReductionOpMsg>(read(task)));
    default: return cannot(kUnsetKind);
  }
}

NodeDecoder::Step NodeDecoder::array_length_step(const ArrayLengthMsg& m) {
  const std::optional<Role> role = operand_role(m.array_id, kArrayMissing, false);
  if (!role) return std::nullopt;
  const Expr* array = need(m.array_id, *role, kArrayMissing);
  if (!array || refused_ahead(array_length_accepts(**array, m.axis))) return std::nullopt;
  return build_array_length(into_array_operand(*array), m.axis, std::nullopt, std::nullopt);
}

NodeDecoder::Step NodeDecoder::unary_step(const UnaryOpMsg& m) {
  const Expr* operand = need(m.operand_id, Role::Expression, kUnaryOperandMissing);
  if (!operand) return std::nullopt;
  const std::optional<UnaryKind> kind = unary_kind_from_wire(m.kind);
  if (!kind) return cannot(kUnaryKind);
  if (refused_ahead(unary_accepts(**operand))) return std::nullopt;
  return build_unary(*kind, *operand);
}

NodeDecoder::Step NodeDecoder::binary_step(const BinaryOpMsg& m) {
  const auto kind = kind_from_wire<BinaryKind>(m.kind, kBinaryOffset, kBinaryKindCount);
  if (!kind) return cannot(kBinaryKind);
  const Expr* left = need(m.left_id, Role::Expression, kLeftMissing);
  if (!left) return std::nullopt;
  const Expr* right = need(m.right_id, Role::Expression, kRightMissing);
  if (!right) return std::nullopt;
  // Unchecked and unfolded, as written.
  if (*kind == BinaryKind::Pow) return make_pow(*left, *right);
  return make_mod(*left, *right);
}

NodeDecoder::Step NodeDecoder::commutative_step(const CommutativeOpMsg& m) {
  if (m.term_ids.size == 2) return two_term_step(m);
  std::vector<Expr> terms;
  if (!need_all(table_.ids_of(m.term_ids), Role::Expression, kTermMissing, terms)) return std::nullopt;
  const std::optional<CommutativeKind> kind = commutative_kind(m.kind);
  if (!kind) return cannot(kCommutativeKind);
  return commutative_of(*kind, std::move(terms));
}

NodeDecoder::Step NodeDecoder::reduction_step(const ReductionOpMsg& m) {
  if (!m.has_index) return cannot(kIndexMissing);
  if (!expect_member(m.element_id, expr_node::kElement, kIndexMissing, kIndexKind)) return std::nullopt;
  const Expr* element = need(m.element_id, Role::Element, kIndexMissing);
  if (!element) return std::nullopt;
  const Expr* condition = nullptr;
  if (m.has_condition) {
    condition = need(m.condition_id, Role::Condition, kConditionMissing);
    if (!condition) return std::nullopt;
  }
  const Expr* operand = need(m.operand_id, Role::Expression, kOperandMissing);
  if (!operand) return std::nullopt;
  const auto kind = kind_from_wire<ReductionKind>(m.kind, kReductionOffset, kReductionKindCount);
  if (!kind) return cannot(kReductionKind);
  if (refused_ahead(reduction_accepts(condition ? condition->get() : nullptr))) return std::nullopt;
  return build_reduction(*kind, element_node(*element), condition ? *condition : Expr(), *operand);
}

NodeDecoder::Step NodeDecoder::two_term_step(const CommutativeOpMsg& m) {
  // `need_all` of two terms, with no list: both are asked for before either is waited on.
  const IdList ids = table_.ids_of(m.term_ids);
  const Expr* first = need(ids[0], Role::Expression, kTermMissing);
  if (refusal_.text != nullptr) return std::nullopt;
  const Expr* second = need(ids[1], Role::Expression, kTermMissing);
  if (!first || !second) return std::nullopt;
  const std::optional<CommutativeKind> kind = commutative_kind(m.kind);
  if (!kind) return cannot(kCommutativeKind);
  // A product of two, the most common record, is built with no list.
  if (*kind == CommutativeKind::Mul) return build_mul_of_terms(*first, *second);
  return commutative_of(*kind, {*first, *second});
}

NodeDecoder::Step NodeDecoder::subscript_expression_step(const Task& task) {
  const Expr* subscript = subscript_in_place(task);
  if (!subscript) return std::nullopt;
  return subscript_into_scalar(*subscript);
}

const Expr* NodeDecoder::subscript_in_place(const Task& task) {
  // What a task of the subscript role would do (it would run at this task's depth), without
  // its own place on the stack.
  if (building_ahead_) return need(task.id, Role::Subscript, kRootMissing);
  if (const Expr* found = find(task.id, Role::Subscript)) return found;
  if (!task.subscript_started) {
    if (is_active(task.id, Role::Subscript)) {
      cannot(kCycle, true);
      return nullptr;
    }
    built_[task.id].active |= bit(Role::Subscript);
    tasks_.back().subscript_started = true;  // the running task
  }
  Step subscript = subscript_step(task);
  if (!subscript) return nullptr;
  built_[task.id].active &= std::uint8_t(~bit(Role::Subscript));
  return &keep(task.id, Role::Subscript, std::move(*subscript));
}

NodeDecoder::Step NodeDecoder::condition_step(const Task& task) {
  switch (read(task).index()) {
    case expr_node::kBinaryOp: {
      const ExprNodeMsg& node = read(task);
      const auto& m = std::get<BinaryOpMsg>(node);
      const auto kind = kind_from_wire<ComparisonKind>(m.kind, kComparisonOffset, kComparisonKindCount);
      if (!kind) return cannot(kConditionBinaryKind);
      const Expr* left = need(m.left_id, Role::Expression, kLeftMissing);
      if (!left) return std::nullopt;
      const Expr* right = need(m.right_id, Role::Expression, kRightMissing);
      if (!right) return std::nullopt;
      return make_comparison(*kind, *left, *right);
    }
    case expr_node::kCommutativeOp: {
      const ExprNodeMsg& node = read(task);
      const auto& m = std::get<CommutativeOpMsg>(node);
      const auto kind = kind_from_wire<LogicalKind>(m.kind, kLogicalOffset, kLogicalKindCount);
      if (!kind) return cannot(kConditionCommutativeKind);
      std::vector<Expr> terms;
      if (!need_all(table_.ids_of(m.term_ids), Role::Condition, kTermMissing, terms)) return std::nullopt;
      return make_logical(*kind, std::move(terms));
    }
    case 0: return cannot(kUnsetKind);
    default: return cannot(kBinaryKind);
  }
}

NodeDecoder::Step NodeDecoder::placeholder_step(const Task& task) {
  const ExprNodeMsg& node = read(task);
  const auto& m = table_[std::get<Stored<PlaceholderMsg>>(node)];
  return Expr(make_node<PlaceholderNode>([&](PlaceholderNode& p) {
    p.name = std::string(m.name);
    p.ndim = m.ndim;
  }));
}

NodeDecoder::Step NodeDecoder::element_step(const Task& task) {
  const ExprNodeMsg& node = read(task);
  const auto& m = table_[std::get<Stored<ElementMsg>>(node)];
  Expr set;
  if (const auto* range = std::get_if<RangeMsg>(&m.belong_to)) {
    const Expr* start = need(range->start_id, Role::Expression, kRangeStartMissing);
    if (!start) return std::nullopt;
    const Expr* end = need(range->end_id, Role::Expression, kRangeEndMissing);
    if (!end || refused_ahead(range_accepts(**start, **end))) return std::nullopt;
    set = build_range(*start, *end);
  } else if (const auto* bound = std::get_if<BoundMsg>(&m.belong_to)) {
    // The kind of the referenced node decides; `Bound.type` is not read.
    const std::optional<Role> role = operand_role(bound->bound_id, kRangeStartMissing, false);
    if (!role) return std::nullopt;
    const Expr* operand = need(bound->bound_id, *role, kRangeStartMissing);
    if (!operand || refused_ahead(element_set_accepts(**operand))) return std::nullopt;
    set = operand_into_element_set(*operand);
  } else {
    return cannot(kUnsetKind);
  }
  return Expr(make_element(std::string(m.name), std::move(set), std::nullopt, std::nullopt));
}

std::optional<Bound> NodeDecoder::bound_step(const BoundMsg& message) {
  Bound::Kind kind = Bound::Kind::Expression;
  Role role = Role::Expression;
  switch (message.type) {
    case kBoundExpression: break;
    case kBoundPlaceholder:
      if (!expect_member(message.bound_id, expr_node::kPlaceholder, kBoundMissing, kBoundNotPlaceholder)) {
        return std::nullopt;
      }
      kind = Bound::Kind::Placeholder, role = Role::Placeholder;
      break;
    case kBoundSubscriptedPlaceholder:
      if (!expect_member(message.bound_id, expr_node::kSubscript, kBoundMissing, kBoundNotSubscript)) {
        return std::nullopt;
      }
      kind = Bound::Kind::Subscript, role = Role::Subscript;
      break;
    default: return cannot(kBoundType);
  }
  const Expr* bound = need(message.bound_id, role, kBoundMissing);
  if (!bound || refused_ahead(bound_accepts(kind, **bound))) return std::nullopt;
  switch (kind) {
    case Bound::Kind::Placeholder: return bound_from_placeholder(*bound);
    case Bound::Kind::Subscript: return bound_from_subscript(*bound);
    case Bound::Kind::Expression: break;
  }
  return bound_from_expression(*bound);
}

NodeDecoder::Step NodeDecoder::decision_var_step(const Task& task) {
  const ExprNodeMsg& node = read(task);
  const auto& m = table_[std::get<Stored<DecisionVarMsg>>(node)];
  std::vector<Expr> shape;
  if (!need_all(table_.ids_of(m.shape_ids), Role::Expression, kShapeMissing, shape)) return std::nullopt;
  Bound lower;
  Bound upper;
  DecisionVarKind kind = DecisionVarKind::Binary;
  if (m.type == std::int32_t(DecisionVarKind::Binary) + kDecisionVarOffset) {
    // The fixed bounds of a binary variable; bounds in the message are not read.
    lower = binary_var_lower_bound();
    upper = binary_var_upper_bound();
  } else {
    if (!m.lower_bound) return cannot(kLowerMissing);
    std::optional<Bound> read_lower = bound_step(*m.lower_bound);
    if (!read_lower) return std::nullopt;
    if (!m.upper_bound) return cannot(kUpperMissing);
    std::optional<Bound> read_upper = bound_step(*m.upper_bound);
    if (!read_upper) return std::nullopt;
    const auto wire_kind = kind_from_wire<DecisionVarKind>(m.type, kDecisionVarOffset, kDecisionVarKindCount);
    if (!wire_kind) return cannot(kDecisionVarType);
    lower = std::move(*read_lower);
    upper = std::move(*read_upper);
    kind = *wire_kind;
  }
  // Assembled as read: the shape and bound checks of the variable constructors are not run.
  return Expr(make_node<DecisionVarNode>([&](DecisionVarNode& v) {
    v.name = std::string(m.name);
    v.shape = std::move(shape);
    v.lower_bound = std::move(lower);
    v.upper_bound = std::move(upper);
  }, kind));
}

NodeDecoder::Step NodeDecoder::subscript_step(const Task& task) {
  const ExprNodeMsg& node = read(task);
  const auto& m = std::get<SubscriptMsg>(node);
  const std::optional<Role> role = operand_role(m.variable_id, kVariableMissing, true);
  if (!role) return std::nullopt;
  const Expr* read_variable = need(m.variable_id, *role, kVariableMissing);
  if (!read_variable) return std::nullopt;
  if (refused_ahead(operand_ndim(**read_variable) != 0)) return std::nullopt;
  Expr variable = into_subscripted_variable(*read_variable);
  std::vector<Expr>& subscripts = items_;
  subscripts.clear();
  if (!need_all(table_.ids_of(m.subscript_ids), Role::Expression, kSubscriptMissing, subscripts)) return std::nullopt;
  if (refused_ahead(subscript_accepts(*variable, subscripts))) return std::nullopt;
  validate_subscripts(subscripts);
  // One subscript, the common case, is held in the node itself: no list is allocated for it.
  if (subscripts.size() == 1) return build_subscript(std::move(variable), ExprList(std::move(subscripts[0])));
  return build_subscript(std::move(variable), ExprList(std::vector<Expr>(subscripts.begin(), subscripts.end())));
}

Expr expr_message_to_expression(const ExprMsg& message, DecodeBudget& budget, NodeDecoder::Scratch& scratch) {
  NodeDecoder decoder(message.expr_nodes, budget, scratch);
  return decoder.only_expression(message.root_id, kRootMissing);
}

}  // namespace zorvane::protobuf
