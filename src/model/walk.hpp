// The one depth-first walk over expressions and conditions; visitors decide what happens at
// each node. Used by the name check, forall scopes, extract_nodes, extract_variables and the
// decision-variable list of a problem's LaTeX form.
#pragma once

#include "model/expression/node.hpp"

namespace zorvane {

struct ForallItem;
struct Constraint;
struct CustomPenaltyTerm;

/// A new owning handle to a node reached by a walk (O(1): the node is shared, not copied).
template <class T>
Rc<const T> share(const T& node) noexcept {
  ++node.refs;
  return Rc<const T>::adopt(&node);
}

/// The hooks of one walk. Every hook receives the node where it stands in the tree; a visitor
/// that keeps something takes its own handle with `share`. Defaults do nothing.
///
/// Order (pre-order, children first to last): `visit_node` announces every node once per
/// occurrence before its own hook: expression nodes, condition nodes, subscripts, and the
/// placeholders, elements and decision variables that stand as a subscript's variable, an
/// array length's array, an element's set, a reduction's index or a forall element. Ranges
/// are not nodes of the walk; their bounds are.
class ExpressionVisitor {
 public:
  virtual ~ExpressionVisitor() = default;
  virtual void visit_node(const Node&) {}
  virtual void visit_placeholder(const PlaceholderNode&) {}
  /// Element sets are not walked by the walk: a visitor that wants them calls
  /// `walk_element_set` from here, before or after its own action.
  virtual void visit_element(const ElementNode&) {}
  /// The index of a sum or product.
  virtual void visit_reduction_index(const ElementNode& index) { visit_element(index); }
  /// Shapes and bounds are not walked.
  virtual void visit_decision_var(const DecisionVarNode&) {}
};

void walk_expression(ExpressionVisitor& visitor, const Node& node);
/// A comparison (left, right) or a logical combination (terms first to last).
void walk_condition(ExpressionVisitor& visitor, const Node& condition);
/// A subscript that is not an expression node here (a variable, an array, a set): announced,
/// then its variable, then its subscripts.
void walk_subscript(ExpressionVisitor& visitor, const SubscriptNode& subscript);
/// The `belong_to` set of an element: a range's bounds, or the placeholder, element or
/// subscript it ranges over.
void walk_element_set(ExpressionVisitor& visitor, const ElementNode& element);
/// The element, then its condition.
void walk_forall_item(ExpressionVisitor& visitor, const ForallItem& item);
/// Left side, right side, then the forall items in order.
void walk_constraint(ExpressionVisitor& visitor, const Constraint& constraint);
/// The expression, then the forall items in order.
void walk_custom_penalty_term(ExpressionVisitor& visitor, const CustomPenaltyTerm& term);

}  // namespace zorvane
