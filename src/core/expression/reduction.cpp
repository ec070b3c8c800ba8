// Reductions over index elements.
#include "core/expression/reduction.hpp"

#include "core/expression/expression.hpp"

namespace zorvane {

Expr build_reduction(ReductionKind kind, Rc<const ElementNode> element, Expr condition, Expr operand) {
  if (condition && contains_decision_variable(*condition)) {
    raise_modeling("the condition expression contains a decision variable");
  }
  return make_node<ReductionNode>([&](ReductionNode& n) {
    n.index = std::move(element);
    n.condition = std::move(condition);
    n.operand = std::move(operand);
  }, kind);
}

bool reduction_accepts(const Node* condition) noexcept {
  return condition == nullptr || !contains_decision_variable(*condition);
}

Expr build_reductions(ReductionKind kind, std::vector<IndexItem> index, Expr operand) {
  if (index.empty()) {
    raise_modeling(kind == ReductionKind::Sum
                       ? "the index of sum is an empty sequence; give at least one element"
                       : "the index of prod is an empty sequence; give at least one element");
  }
  // Innermost first, so the first item ends up outermost.
  Expr current = std::move(operand);
  while (!index.empty()) {
    IndexItem item = std::move(index.back());
    index.pop_back();
    current = build_reduction(kind, std::move(item.element), std::move(item.condition), std::move(current));
  }
  return current;
}

Rc<const ElementNode> element_node(Expr element) noexcept {
  return Rc<const ElementNode>::adopt(static_cast<const ElementNode*>(element.leak()));
}

}  // namespace zorvane
