// Reductions over index elements.
#include "model/expression/reduction.hpp"

#include "model/expression/expression.hpp"

namespace zorvane {

Expr reduction_op_new(ReductionKind kind, Rc<const ElementNode> element, Expr condition, Expr operand) {
  if (condition && contains_decision_variable(*condition)) {
    raise_modeling("the condition expression contains a decision variable");
  }
  return make_node<ReductionNode>([&](ReductionNode& n) {
    n.index = std::move(element);
    n.condition = std::move(condition);
    n.operand = std::move(operand);
  }, kind);
}

Expr reduction_op_from_index(ReductionKind kind, std::vector<IndexItem> index, Expr operand) {
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
    current = reduction_op_new(kind, std::move(item.element), std::move(item.condition), std::move(current));
  }
  return current;
}

Expr sum_op_from_index(std::vector<IndexItem> index, Expr operand) {
  return reduction_op_from_index(ReductionKind::Sum, std::move(index), std::move(operand));
}

Expr prod_op_from_index(std::vector<IndexItem> index, Expr operand) {
  return reduction_op_from_index(ReductionKind::Prod, std::move(index), std::move(operand));
}

Rc<const ElementNode> element_node(Expr element) noexcept {
  return Rc<const ElementNode>::adopt(static_cast<const ElementNode*>(element.leak()));
}

}  // namespace zorvane
