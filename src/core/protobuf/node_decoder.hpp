// Rebuilding expressions, conditions and indices from one node table, through the same
// builders and checks that Python code uses.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "core/expression/node.hpp"
#include "core/expression/reduction.hpp"
#include "core/protobuf/messages.hpp"

namespace zorvane::protobuf {

/// A refusal of input whose decoding would not end or would cost far more than its size
/// (reference cycles, nesting past the depth limit, work past the budget). Unlike the other
/// format errors it is final: an `expr` body that fails so is not read again as a condition.
struct DecodeLimitError : Error {};

/// The work one `from_protobuf` call may do, in proportion to its input. Work is counted as it
/// is done, in the steps of every polled loop (`InterruptPoll`): reading fields, rebuilding
/// records, and the walks of the builders' checks. Records are rebuilt once however often they
/// are referenced, so a table that shares nodes costs its size, not the size of its expansion;
/// what the budget stops is input whose checks walk the same large subtree again and again.
class DecodeBudget {
 public:
  /// Counts from now on.
  explicit DecodeBudget(std::size_t input_size) noexcept;
  /// Refuses the input once the work done since the start is past the limit.
  void check() const;
  /// The work still allowed.
  std::uint64_t left() const noexcept;

 private:
  std::uint64_t start_;
  std::uint64_t limit_;
};

/// The decoder of one table. Every id is looked up with the caller's message text, at the
/// moment the node is first needed. A record referenced many times is rebuilt once, in each
/// role it is read in, and the node shared (nodes are immutable, so this is the value that
/// rebuilding it at every reference gives).
///
/// Decoding keeps its own stack of tasks instead of recursing, so neither a tree at the depth
/// limit nor hostile input can exhaust the C stack. Each task rebuilds one node in one role by
/// running its step function; a step that needs a child not yet rebuilt asks for it and is run
/// again, from the start, once the child is there. Steps have no side effects before they
/// build, so running one again repeats its checks in the same order with the same outcome.
/// Two cases skip a task of their own, with the same checks in the same order: a literal that
/// reads well is built where it is asked for (nothing can fail in between), and a subscript in
/// the expression role builds its subscript role within its own task.
///
/// A step that finds the input at fault keeps the refusal and stops; the walk raises it when it
/// stops. So a record that is tried and cannot be built costs no exception: only a call that
/// fails raises one (the builders raise their own errors, which a step checks for first where
/// it tries a record ahead of need).
class NodeDecoder {
 public:
  class Scratch;
  /// `scratch` serves one decoder at a time.
  NodeDecoder(const NodeTableMsg& table, DecodeBudget& budget, Scratch& scratch);
  ~NodeDecoder();
  NodeDecoder(const NodeDecoder&) = delete;
  NodeDecoder& operator=(const NodeDecoder&) = delete;

  /// The node at `id` in expression position; `missing` is the text of an id past the table.
  Expr expression(std::uint64_t id, const char* missing);
  /// The node at `id` in condition position.
  Expr condition(std::uint64_t id, const char* missing);
  /// The element and optional condition of a forall item.
  IndexItem index(const IndexMsg& message);
  /// The node at `id` in expression position, as the one read of a fresh decoder. Records are
  /// written after their children, so the table is first built in one pass in id order, each
  /// record in the role its kind is read in when its children are built; a record that cannot
  /// be built is left alone, with no exception (what its builders refuse is checked before they
  /// are called). When that built the root, every record the root reaches was built, without
  /// error, within the depth limit, and as `expression` would build it: that is the result.
  /// Otherwise what was built is dropped and `expression` reports the fault in its usual order.
  Expr only_expression(std::uint64_t id, const char* missing);
  /// `only_expression`, or nothing where it finds the input at fault other than at a limit (a
  /// cycle, too deep, too much work: those are raised, as are the builders' errors). The `expr`
  /// body then reads its root as a condition, and one that is a condition raises nothing.
  std::optional<Expr> only_expression_if_read(std::uint64_t id, const char* missing);
  /// Drops the nodes rebuilt so far: what is read next is read as by a fresh decoder.
  void forget() noexcept;

 private:
  enum class Role : std::uint8_t { Expression, Condition, Placeholder, Element, Subscript, DecisionVar };

  struct Task {
    std::uint64_t id;
    Role role;
    const char* missing;  ///< the text of a failed lookup of `id`
    std::uint32_t depth;  ///< levels of distinct nodes from the root, the root at 1
    bool started = false;
    bool subscript_started = false;  ///< an expression task that builds its subscript in place
  };
  /// The nodes rebuilt from one record. Besides the expression role, a record is read in at
  /// most one other: the role of its own kind (placeholder, element, subscript, decision
  /// variable), or the condition role, which only operator records build in.
  struct Built {
    Expr expression;
    Expr other;
    /// While building ahead: the most levels of records from each node down (at most the
    /// depth limit).
    std::uint16_t expression_levels = 0;
    std::uint16_t other_levels = 0;
    std::uint8_t done = 0;    ///< roles rebuilt
    std::uint8_t active = 0;  ///< roles of started, unfinished tasks
  };
  static_assert(kMaxDepth <= UINT16_MAX);
  using Step = std::optional<Expr>;  ///< nothing: the step asked for children, or was refused
  /// Why the input is refused: kept by the step that finds it, raised when the walk stops.
  struct Refusal {
    const char* text = nullptr;  ///< null: none
    bool limit = false;          ///< a `DecodeLimitError`
  };

  /// The root of `only_expression`; null when refused, with `refusal_` kept.
  const Expr* read_root(std::uint64_t id, const char* missing);
  /// The pass of `only_expression`. It stops at a share of the budget, leaving the rest to be
  /// built when asked for.
  void build_ahead();
  /// One record in one role, kept when its step builds it within the depth limit.
  void build_ahead(std::uint64_t id, Role role);
  /// The node at `id` in `role`; null when refused, with `refusal_` kept.
  const Expr* run(std::uint64_t id, Role role, const char* missing);
  /// Drops the tasks of a walk that stops on a refusal or an error.
  void abandon() noexcept;
  /// `run`, raising its refusal.
  Expr decoded(std::uint64_t id, Role role, const char* missing);
  std::uint16_t& levels(std::uint64_t id, Role role) noexcept;
  /// False when the task is refused.
  bool start(Task& task);
  Step step(const Task& task);

  /// Keeps the first refusal of the walk; gives the nothing of a step that was refused.
  std::nullopt_t cannot(const char* text, bool limit = false) noexcept;
  /// Raises the refusal kept, and forgets it.
  [[noreturn]] void raise_refusal();
  /// While building ahead, true when a builder would refuse what the step has (`accepted`
  /// false): the record is left to be built when asked for, where the builder raises its error.
  bool refused_ahead(bool accepted) const noexcept { return building_ahead_ && !accepted; }

  /// The child's value when it is rebuilt; otherwise asks for it (refuses it, on a cycle) and
  /// gives null.
  const Expr* need(std::uint64_t id, Role role, const char* missing);
  /// All items, when every one is rebuilt; otherwise asks for the missing ones and gives false.
  bool need_all(IdList ids, Role role, const char* missing, std::vector<Expr>& out);
  /// Whether the record at `id` is of the member `member`; otherwise refused with `missing`
  /// past the table, `wrong` for a record of another member.
  bool expect_member(std::uint64_t id, std::uint32_t member, const char* missing, const char* wrong);
  /// The role that the set, array or subscripted variable at `id` is read in, by the member of
  /// its record: a placeholder, element or subscript, and a decision variable where allowed.
  std::optional<Role> operand_role(std::uint64_t id, const char* missing, bool decision_var);
  /// The record of a task.
  const ExprNodeMsg& read(const Task& task) const;
  bool is_active(std::uint64_t id, Role role) const noexcept;
  /// Records the rebuilt node at `id` in `role`.
  const Expr& keep(std::uint64_t id, Role role, Expr value);
  /// The rebuilt node at `id` in `role`, or null.
  const Expr* find(std::uint64_t id, Role role) const noexcept;

  Step expression_step(const Task& task);
  Step condition_step(const Task& task);
  Step placeholder_step(const Task& task);
  Step element_step(const Task& task);
  Step decision_var_step(const Task& task);
  Step subscript_step(const Task& task);
  /// Records of each kind in the expression role, as `expression_step` hands them on.
  Step array_length_step(const ArrayLengthMsg& m);
  Step unary_step(const UnaryOpMsg& m);
  Step binary_step(const BinaryOpMsg& m);
  Step commutative_step(const CommutativeOpMsg& m);
  Step reduction_step(const ReductionOpMsg& m);
  /// A commutative record of two terms, read without a term list.
  Step two_term_step(const CommutativeOpMsg& m);
  /// A subscript record in the expression role.
  Step subscript_expression_step(const Task& task);
  /// The subscript role of the running expression task's record, built in place; null when a
  /// child was asked for.
  const Expr* subscript_in_place(const Task& task);
  /// A decision-variable bound; null when a child was asked for.
  std::optional<Bound> bound_step(const BoundMsg& message);

  const NodeTableMsg& table_;
  DecodeBudget& budget_;
  std::vector<Expr>& items_;    ///< the subscripts of the running step
  std::vector<Built>& built_;  ///< per id, sized once: a step may hold one while adding another
  std::vector<Task>& tasks_;
  std::vector<Task>& requests_;  ///< children asked for by the running step, in order
  const Task* running_ = nullptr;
  Refusal refusal_;
  std::uint32_t running_levels_ = 0;  ///< while building ahead: those of the node being built
  bool building_ahead_ = false;

 public:
  /// The lists a decoder works in, kept from one table to the next within one reading: a model
  /// of many small tables would otherwise allocate them for each. A decoder leaves them empty.
  class Scratch {
    friend class NodeDecoder;
    std::vector<Expr> items;
    std::vector<Built> built;
    std::vector<Task> tasks;
    std::vector<Task> requests;
  };
};

/// The expression at `root_id` (`NodeDecoder::only_expression`); an id with no record is refused
/// with the root-id text.
Expr expr_message_to_expression(const ExprMsg& message, DecodeBudget& budget, NodeDecoder::Scratch& scratch);

}  // namespace zorvane::protobuf
