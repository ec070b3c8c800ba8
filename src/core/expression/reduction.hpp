// Reductions: sums and products of an operand over index elements, each index optionally
// restricted by a condition. Used by the module functions `sum` and `prod` and by the `sum` and
// `prod` methods of dummy-indexed variables.
#pragma once

#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

/// One index of a reduction: an element, and a condition (a Comparison or Logical node) or null.
struct IndexItem {
  Rc<const ElementNode> element;
  Expr condition;
};

/// One reduction node. ModelingError "the condition expression contains a decision variable"
/// when the condition holds one; nothing else is checked (the operand may hold decision
/// variables, the condition need not mention the element).
Expr build_reduction(ReductionKind kind, Rc<const ElementNode> element, Expr condition, Expr operand);
/// Whether `build_reduction` takes `condition` (null: none).
bool reduction_accepts(const Node* condition) noexcept;

/// One reduction per item, nested so that the first item is the outermost: `[i, j]` gives the
/// reduction over i of the reduction over j of `operand`. An empty index is refused with
/// ModelingError (there would be no node to return).
Expr build_reductions(ReductionKind kind, std::vector<IndexItem> index, Expr operand);

/// The node held by an element expression, as an element (its tag must be Element).
Rc<const ElementNode> element_node(Expr element) noexcept;

}  // namespace zorvane
