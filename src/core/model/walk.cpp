// The model walk as hooks of the one tree walk.
#include "core/model/walk.hpp"

#include "core/model/constraint.hpp"
#include "core/model/custom_penalty_term.hpp"
#include "core/model/forall.hpp"

namespace zorvane {
namespace {

class ModelWalk : public WalkHooks {
 public:
  explicit ModelWalk(ExpressionVisitor& visitor) noexcept : visitor_(visitor) {}

  Visit enter(const Node& node, const WalkFrame* parent) {
    // A reduction's index is announced as one wherever the element was met before: it binds.
    const bool index = parent != nullptr && parent->node->tag == Tag::ReductionOp && parent->next == 1;
    if (visitor_.options().once_per_node && !index && reachable_twice(node, parent) &&
        !visitor_.walked().insert(&node)) {
      return Visit::SkipChildren;
    }
    // A range is not a node of the walk (only an element's set is one); its bounds are.
    if (node.tag == Tag::Range) return Visit::Continue;
    visitor_.visit_node(node);
    switch (node.tag) {
      case Tag::Placeholder: visitor_.visit_placeholder(as<PlaceholderNode>(node)); break;
      case Tag::Element: {
        const auto& element = as<ElementNode>(node);
        if (index) {
          visitor_.visit_reduction_index(element);
        } else {
          visitor_.visit_element(element);
        }
        break;
      }
      case Tag::DecisionVar: visitor_.visit_decision_var(as<DecisionVarNode>(node)); break;
      default: break;
    }
    return Visit::Continue;
  }

  const Node* next_child(WalkFrame& frame) {
    switch (frame.node->tag) {
      case Tag::Element:
        if (!visitor_.options().element_sets) return nullptr;
        break;
      case Tag::DecisionVar: {
        // The shape only; bounds are not walked.
        const auto& variable = as<DecisionVarNode>(*frame.node);
        if (!visitor_.options().shapes || frame.next >= variable.shape.size()) return nullptr;
        break;
      }
      default: break;
    }
    return WalkHooks::next_child(frame);
  }

  void leave(const WalkFrame& frame) {
    if (frame.node->tag == Tag::Element) visitor_.leave_element(as<ElementNode>(*frame.node));
  }

 private:
  ExpressionVisitor& visitor_;
};

}  // namespace

void walk_expression(ExpressionVisitor& visitor, const Node& node) {
  ModelWalk hooks(visitor);
  walk_tree(node, hooks);
}

void walk_forall_item(ExpressionVisitor& visitor, const ForallItem& item) {
  walk_expression(visitor, *item.element);
  if (item.condition) walk_expression(visitor, *item.condition);
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
