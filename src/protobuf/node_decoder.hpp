// Rebuilding expressions, conditions and indices from one node table, through the same
// builders and checks that Python code uses.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "lib/error.hpp"
#include "model/expression/node.hpp"
#include "model/expression/reduction.hpp"
#include "protobuf/messages.hpp"

namespace zorvane::protobuf {

/// A refusal of input whose decoding would not end or would cost far more than its size
/// (reference cycles, nesting past the depth limit, subtrees that expand too much). Unlike the
/// other format errors it is final: an `expr` body that fails so is not read again as a condition.
struct DecodeLimitError : Error {};

/// What one `from_protobuf` call may spend. Shared nodes of a table are decoded once, but the
/// trees they make are walked whole by later checks and texts, so the expanded size of every
/// tree and the total of the sizes of all nodes built (each check walks at most the subtree it
/// builds) are bounded, both in proportion to the input.
class DecodeBudget {
 public:
  explicit DecodeBudget(std::size_t input_size) noexcept;
  /// The expanded size of one node must stay within the tree limit.
  void check_size(std::uint64_t size) const;
  /// A node of this expanded size was built.
  void charge(std::uint64_t size);

 private:
  std::uint64_t size_limit_;
  std::uint64_t work_limit_;
  std::uint64_t work_ = 0;
};

/// The decoder of one table. Every id is looked up with the caller's message text; a node
/// referenced many times is rebuilt once and shared (nodes are immutable, so this is the same
/// value as rebuilding it at every reference).
class NodeDecoder {
 public:
  NodeDecoder(const NodeTableMsg& table, DecodeBudget& budget);

  /// The node at `id` in expression position; `missing` is the text of an id past the table.
  Expr expression(std::uint64_t id, const char* missing);
  /// The node at `id` in condition position.
  Expr condition(std::uint64_t id, const char* missing);
  /// The element and optional condition of a reduction index or forall item.
  IndexItem index(const IndexMsg& message);

 private:
  enum class Role : std::uint8_t { Expression, Condition, Placeholder, Element, Subscript, DecisionVar };
  static constexpr std::size_t kRoleCount = 6;
  struct Entry {
    Expr value;
    std::uint64_t size;  ///< nodes in the tree as if no node were shared
  };
  class Frame;

  const ExprNodeMsg& lookup(std::uint64_t id, const char* missing) const;
  /// Memoised, cycle-checked and budgeted decoding of the node at `id` in one role.
  template <class Build>
  Expr decode(std::uint64_t id, Role role, Build&& build);

  Expr build_expression(std::uint64_t id);
  Expr build_condition(std::uint64_t id);
  Expr placeholder_at(std::uint64_t id);
  Rc<const ElementNode> element_at(std::uint64_t id);
  Expr subscript_at(std::uint64_t id);
  Expr decision_var_at(std::uint64_t id);
  Expr element_set(const ElementMsg& message);
  Bound decision_var_bound(const BoundMsg& message);
  std::vector<Expr> expression_list(const std::vector<std::uint64_t>& ids, const char* missing);

  const NodeTableMsg& table_;
  DecodeBudget& budget_;
  std::unordered_map<std::uint64_t, Entry> cache_;  ///< key: id * kRoleCount + role
  std::vector<std::uint8_t> active_;                ///< per id: roles being decoded now
  std::uint64_t current_id_ = UINT64_MAX;
  std::uint32_t depth_ = 0;
  std::uint64_t size_ = 0;  ///< expanded size gathered for the node being decoded
};

/// `lookup_node` of `root_id` and the expression there, with the root-id text.
Expr expr_message_to_expression(const ExprMsg& message, DecodeBudget& budget);

}  // namespace zorvane::protobuf
