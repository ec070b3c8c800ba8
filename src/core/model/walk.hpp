// The model walk over expressions and conditions: pre-order hooks that visitors override. Used
// by the name check, forall scopes, extract_nodes, extract_variables and the decision-variable
// list of a problem's LaTeX form. It runs on the one tree walk (`tree_walk.hpp`).
#pragma once

#include "core/expression/node.hpp"
#include "core/expression/tree_walk.hpp"

namespace zorvane {

struct ForallItem;
struct Constraint;
struct CustomPenaltyTerm;

/// What a model walk enters beyond expressions and conditions, and whether it repeats itself.
/// `element_sets`: an element's set is walked after the element's own hook.
/// `shapes`: a decision variable's shape is walked after its own hook.
/// `once_per_node`: a node met again (the same node, shared by several parents) is not walked
/// again, for visitors whose result does not depend on how often a node occurs.
struct WalkOptions {
  bool element_sets = false;
  bool shapes = false;
  bool once_per_node = false;
};

/// The hooks of one walk. Every hook receives the node where it stands in the tree; a visitor
/// that keeps something takes its own handle with `share`. Defaults do nothing.
///
/// Order (pre-order, children first to last): `visit_node` announces every node once per
/// occurrence before its own hook: expression nodes, condition nodes, subscripts, and the
/// placeholders, elements and decision variables that stand as a subscript's variable, an
/// array length's array, an element's set, a reduction's index or a forall element. Ranges
/// are not nodes of the walk; their bounds are. Decision-variable bounds are never walked.
class ExpressionVisitor {
 public:
  explicit ExpressionVisitor(WalkOptions options = {}) noexcept : options_(options) {}
  virtual ~ExpressionVisitor() = default;
  virtual void visit_node(const Node&) {}
  virtual void visit_placeholder(const PlaceholderNode&) {}
  virtual void visit_element(const ElementNode&) {}
  /// After the element's set was walked (only with `element_sets`).
  virtual void leave_element(const ElementNode&) {}
  /// The index of a sum or product.
  virtual void visit_reduction_index(const ElementNode& index) { visit_element(index); }
  virtual void visit_decision_var(const DecisionVarNode&) {}

  const WalkOptions& options() const noexcept { return options_; }
  /// The nodes already walked, for `once_per_node`.
  IdentitySet<>& walked() noexcept { return walked_; }

 private:
  WalkOptions options_;
  IdentitySet<> walked_;
};

/// An expression, a condition, a subscript or any other node, walked as the order above says.
/// The nodes walked must outlive the visitor when it walks once per node.
void walk_expression(ExpressionVisitor& visitor, const Node& node);
/// The element, then its condition.
void walk_forall_item(ExpressionVisitor& visitor, const ForallItem& item);
/// Left side, right side, then the forall items in order.
void walk_constraint(ExpressionVisitor& visitor, const Constraint& constraint);
/// The expression, then the forall items in order.
void walk_custom_penalty_term(ExpressionVisitor& visitor, const CustomPenaltyTerm& term);

}  // namespace zorvane
