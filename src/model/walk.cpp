// The generic depth-first walk. Its depth is bounded by the node height limit.
#include "model/walk.hpp"

#include "model/constraint.hpp"
#include "model/custom_penalty_term.hpp"
#include "model/forall.hpp"

namespace zorvane {
namespace {

// A subscript's variable, then its subscripts (the subscript itself already announced).
void walk_subscript_parts(ExpressionVisitor& visitor, const SubscriptNode& subscript);

// A node that stands in a variable position: announced, then its own hook.
void walk_variable(ExpressionVisitor& visitor, const Node& variable) {
  switch (variable.tag) {
    case Tag::Placeholder:
      visitor.visit_node(variable);
      return visitor.visit_placeholder(as<PlaceholderNode>(variable));
    case Tag::Element:
      visitor.visit_node(variable);
      return visitor.visit_element(as<ElementNode>(variable));
    case Tag::DecisionVar:
      visitor.visit_node(variable);
      return visitor.visit_decision_var(as<DecisionVarNode>(variable));
    case Tag::Subscript: return walk_subscript(visitor, as<SubscriptNode>(variable));
    default: return walk_expression(visitor, variable);
  }
}

void walk_subscript_parts(ExpressionVisitor& visitor, const SubscriptNode& subscript) {
  walk_variable(visitor, *subscript.variable);
  for (const Expr& item : subscript.subscripts) walk_expression(visitor, *item);
}

}  // namespace

void walk_expression(ExpressionVisitor& visitor, const Node& node) {
  if (node.tag == Tag::Range) {
    // Not a node of the walk (only an element's set is a range); its bounds are.
    const auto& range = as<RangeNode>(node);
    walk_expression(visitor, *range.start);
    return walk_expression(visitor, *range.end);
  }
  visitor.visit_node(node);
  switch (node.tag) {
    case Tag::NumberLit:
    case Tag::Range: return;
    case Tag::Placeholder: return visitor.visit_placeholder(as<PlaceholderNode>(node));
    case Tag::Element: return visitor.visit_element(as<ElementNode>(node));
    case Tag::DecisionVar: return visitor.visit_decision_var(as<DecisionVarNode>(node));
    case Tag::Subscript: return walk_subscript_parts(visitor, as<SubscriptNode>(node));
    case Tag::ArrayLength: return walk_variable(visitor, *as<ArrayLengthNode>(node).array);
    case Tag::UnaryOp: return walk_expression(visitor, *as<UnaryNode>(node).operand);
    case Tag::BinaryOp: {
      const auto& binary = as<BinaryNode>(node);
      walk_expression(visitor, *binary.left);
      return walk_expression(visitor, *binary.right);
    }
    case Tag::CommutativeOp: {
      const TermList& terms = as<CommutativeNode>(node).terms;
      for (std::size_t i = 0; i < terms.size(); ++i) walk_expression(visitor, *terms[i]);
      return;
    }
    case Tag::ReductionOp: {
      const auto& reduction = as<ReductionNode>(node);
      visitor.visit_node(*reduction.index);
      visitor.visit_reduction_index(*reduction.index);
      if (reduction.condition) walk_condition(visitor, *reduction.condition);
      return walk_expression(visitor, *reduction.operand);
    }
    case Tag::Comparison:
    case Tag::Logical: {
      // Only readers of foreign data could put a condition here; walk it as one.
      return walk_condition(visitor, node);
    }
  }
}

void walk_condition(ExpressionVisitor& visitor, const Node& condition) {
  if (condition.tag == Tag::Comparison) {
    visitor.visit_node(condition);
    const auto& comparison = as<ComparisonNode>(condition);
    walk_expression(visitor, *comparison.left);
    return walk_expression(visitor, *comparison.right);
  }
  if (condition.tag == Tag::Logical) {
    visitor.visit_node(condition);
    for (const Expr& term : as<LogicalNode>(condition).terms) walk_condition(visitor, *term);
    return;
  }
  walk_expression(visitor, condition);
}

void walk_subscript(ExpressionVisitor& visitor, const SubscriptNode& subscript) {
  visitor.visit_node(subscript);
  walk_subscript_parts(visitor, subscript);
}

void walk_element_set(ExpressionVisitor& visitor, const ElementNode& element) {
  const Node& set = *element.set;
  if (set.tag == Tag::Range) return walk_expression(visitor, set);
  walk_variable(visitor, set);
}

void walk_forall_item(ExpressionVisitor& visitor, const ForallItem& item) {
  visitor.visit_node(*item.element);
  visitor.visit_element(*item.element);
  if (item.condition) walk_condition(visitor, *item.condition);
}

void walk_constraint(ExpressionVisitor& visitor, const Constraint& constraint) {
  walk_expression(visitor, *constraint.left);
  walk_expression(visitor, *constraint.right);
  for (const ForallItem& item : constraint.forall) walk_forall_item(visitor, item);
}

void walk_custom_penalty_term(ExpressionVisitor& visitor, const CustomPenaltyTerm& term) {
  walk_expression(visitor, *term.expression);
  for (const ForallItem& item : term.forall) walk_forall_item(visitor, item);
}

}  // namespace zorvane
