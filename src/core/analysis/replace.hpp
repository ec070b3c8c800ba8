// replace: a top-down rewrite of an expression. The replacer sees each node (parents before
// children, children first to last); what it gives in place of a node stands in the result, and
// where it gives a node back unchanged the walk goes on into the node's children and rebuilds
// the node from them through the builder of its kind, without the node's own LaTeX string.
#pragma once

#include <optional>

#include "core/expression/node.hpp"

namespace zorvane {

/// What `replace` asks about the nodes it meets.
class Replacer {
 public:
  virtual ~Replacer() = default;
  /// A literal, placeholder, element or decision variable in expression position: its
  /// replacement, which stands whatever it is; a failure is the result.
  virtual Expr leaf(const Node& node) = 0;
  /// Any other node, in an expression position or (`condition`) a condition position: its
  /// replacement, or nothing to go on into its children.
  virtual std::optional<Expr> node(const Node& node, bool condition) = 0;
  /// A variable position (the array of a length, the variable of a subscript, the index of a
  /// reduction): a node of the same kind (for a decision variable, of any decision-variable
  /// kind); a failure is the result.
  virtual Expr variable(const Node& node) = 0;
};

Expr replace(const Node& root, Replacer& replacer);

}  // namespace zorvane
