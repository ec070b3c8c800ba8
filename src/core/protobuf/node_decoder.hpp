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
  /// record in the role its kind is read in when its children are built; a record that fails
  /// is left alone. When that built the root, every record the root reaches was built, without
  /// error, within the depth limit, and as `expression` would build it: that is the result.
  /// Otherwise what was built is dropped and `expression` reports the fault in its usual order.
  Expr only_expression(std::uint64_t id, const char* missing);

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
  using Step = std::optional<Expr>;  ///< nothing: the step asked for children

  /// The pass of `only_expression`. It stops at a share of the budget, leaving the rest to be
  /// built when asked for.
  void build_ahead();
  /// One record in one role, kept when its step builds it within the depth limit.
  void build_ahead(std::uint64_t id, Role role);
  Expr run(std::uint64_t id, Role role, const char* missing);
  std::uint16_t& levels(std::uint64_t id, Role role) noexcept;
  void start(Task& task);
  Step step(const Task& task);

  /// The child's value when it is rebuilt; otherwise asks for it and gives null.
  const Expr* need(std::uint64_t id, Role role, const char* missing);
  /// All items, when every one is rebuilt; otherwise asks for the missing ones and gives false.
  bool need_all(IdList ids, Role role, const char* missing, std::vector<Expr>& out);
  /// The member field number of the record at `id`.
  std::uint32_t lookup(std::uint64_t id, const char* missing) const;
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
