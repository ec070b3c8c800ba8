// Indexed access to a node's children, in the order of `for_each_child`.
#include "model/tree_walk.hpp"

namespace zorvane {
namespace {

// The i-th non-null node among `nodes`.
const Node* nth_present(std::initializer_list<const Node*> nodes, std::uint32_t i) noexcept {
  for (const Node* node : nodes) {
    if (node == nullptr) continue;
    if (i-- == 0) return node;
  }
  return nullptr;
}

template <class List>
const Node* item(const List& items, std::uint32_t i) noexcept {
  return i < items.size() ? items[i].get() : nullptr;
}

}  // namespace

const Node* child_at(const Node& node, std::uint32_t i) noexcept {
  switch (node.tag) {
    case Tag::NumberLit:
    case Tag::Placeholder: return nullptr;
    case Tag::Element: return i == 0 ? as<ElementNode>(node).set.get() : nullptr;
    case Tag::Range: {
      const auto& r = as<RangeNode>(node);
      return nth_present({r.start.get(), r.end.get()}, i);
    }
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(node);
      if (i < v.shape.size()) return v.shape[i].get();
      return nth_present({v.lower_bound.node.get(), v.upper_bound.node.get()}, i - std::uint32_t(v.shape.size()));
    }
    case Tag::Subscript: {
      const auto& s = as<SubscriptNode>(node);
      if (i == 0) return s.variable.get();
      return item(s.subscripts, i - 1);
    }
    case Tag::ArrayLength: return i == 0 ? as<ArrayLengthNode>(node).array.get() : nullptr;
    case Tag::UnaryOp: return i == 0 ? as<UnaryNode>(node).operand.get() : nullptr;
    case Tag::BinaryOp: {
      const auto& b = as<BinaryNode>(node);
      return nth_present({b.left.get(), b.right.get()}, i);
    }
    case Tag::Comparison: {
      const auto& c = as<ComparisonNode>(node);
      return nth_present({c.left.get(), c.right.get()}, i);
    }
    case Tag::CommutativeOp: {
      const TermList& terms = as<CommutativeNode>(node).terms;
      return i < terms.size() ? terms[i].get() : nullptr;
    }
    case Tag::ReductionOp: {
      const auto& r = as<ReductionNode>(node);
      return nth_present({r.index.get(), r.condition.get(), r.operand.get()}, i);
    }
    case Tag::Logical: return item(as<LogicalNode>(node).terms, i);
  }
  return nullptr;
}

}  // namespace zorvane
