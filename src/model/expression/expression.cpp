// Read-only questions about expression trees.
#include "model/expression/expression.hpp"

#include "model/tree_walk.hpp"

namespace zorvane {
namespace {

const Text kNoText;

}  // namespace

NodeKind node_kind(const Node& node) noexcept { return {node.tag, node.kind}; }

const Text& latex_field(const Node& node) noexcept {
  switch (node.tag) {
    case Tag::Placeholder: return as<PlaceholderNode>(node).latex;
    case Tag::Element: return as<ElementNode>(node).latex;
    case Tag::DecisionVar: return as<DecisionVarNode>(node).latex;
    case Tag::ArrayLength: return as<ArrayLengthNode>(node).latex;
    case Tag::UnaryOp: return as<UnaryNode>(node).latex;
    case Tag::BinaryOp: return as<BinaryNode>(node).latex;
    case Tag::CommutativeOp: return as<CommutativeNode>(node).latex;
    case Tag::ReductionOp: return as<ReductionNode>(node).latex;
    case Tag::Comparison: return as<ComparisonNode>(node).latex;
    case Tag::Logical: return as<LogicalNode>(node).latex;
    case Tag::NumberLit:
    case Tag::Subscript:
    case Tag::Range: return kNoText;
  }
  return kNoText;
}

bool has_latex(const Node& node) noexcept { return latex_field(node).has_value(); }

const NumericValue* literal_value(const Node& node) noexcept {
  return node.tag == Tag::NumberLit ? &as<NumberLitNode>(node).value : nullptr;
}

bool is_zero_literal(const Node& node) noexcept {
  const NumericValue* value = literal_value(node);
  return value != nullptr && value->is_zero();
}

namespace {

// A node can be reached twice by one walk only when more than one reference holds it.
bool shared(const Node& node) noexcept { return node.refs > 1; }

// Everything equality compares but the children, which are then compared pairwise in the
// order of `child_at`: so also which optional children are present and how many there are.
bool same_fields(const Node& a, const Node& b) noexcept {
  if (a.tag != b.tag || a.kind != b.kind) return false;
  switch (a.tag) {
    case Tag::NumberLit: return numeric_value_eq(as<NumberLitNode>(a).value, as<NumberLitNode>(b).value);
    case Tag::Placeholder: {
      const auto& x = as<PlaceholderNode>(a);
      const auto& y = as<PlaceholderNode>(b);
      return x.name == y.name && x.ndim == y.ndim;
    }
    case Tag::Element: {
      const auto& x = as<ElementNode>(a);
      const auto& y = as<ElementNode>(b);
      return x.name == y.name && x.ndim == y.ndim;
    }
    case Tag::Range: return true;
    case Tag::DecisionVar: {
      const auto& x = as<DecisionVarNode>(a);
      const auto& y = as<DecisionVarNode>(b);
      auto bound_fields = [](const Bound& p, const Bound& q) { return p.kind == q.kind && !p.node == !q.node; };
      return x.name == y.name && x.shape.size() == y.shape.size() && bound_fields(x.lower_bound, y.lower_bound) &&
             bound_fields(x.upper_bound, y.upper_bound);
    }
    case Tag::Subscript: {
      const auto& x = as<SubscriptNode>(a);
      const auto& y = as<SubscriptNode>(b);
      return x.ndim == y.ndim && x.latex == y.latex && x.subscripts.size() == y.subscripts.size();
    }
    case Tag::ArrayLength: return as<ArrayLengthNode>(a).axis == as<ArrayLengthNode>(b).axis;
    case Tag::UnaryOp:
    case Tag::BinaryOp:
    case Tag::Comparison: return true;
    case Tag::CommutativeOp: return as<CommutativeNode>(a).terms.size() == as<CommutativeNode>(b).terms.size();
    case Tag::ReductionOp: return !as<ReductionNode>(a).condition == !as<ReductionNode>(b).condition;
    case Tag::Logical: return as<LogicalNode>(a).terms.size() == as<LogicalNode>(b).terms.size();
  }
  return false;
}

// Walks `a` and, in step, the node of `b` at the same place. A pair of shared nodes compared
// once is not compared again: the answer is the conjunction over all pairs, so a pair met
// again adds nothing (it is either settled or still being compared further up the stack).
class EqualityWalk : public WalkHooks {
 public:
  explicit EqualityWalk(const Node& b) noexcept : b_(b) {}

  Visit enter(const Node& a, const WalkFrame* parent) {
    const Node& b = parent == nullptr ? b_ : *child_at(*others_.back(), parent->next - 1);
    if (shared(a) && shared(b) && !compared_.insert({&a, &b})) return Visit::SkipChildren;
    if (!same_fields(a, b)) return Visit::Stop;
    if (child_at(a, 0) == nullptr) return Visit::SkipChildren;
    others_.push_back(&b);
    return Visit::Continue;
  }
  void leave(const WalkFrame&) noexcept { others_.pop_back(); }

 private:
  const Node& b_;
  std::vector<const Node*> others_;  // the node of `b` for each frame of the walk over `a`
  IdentitySet<std::pair<const Node*, const Node*>> compared_;
};

}  // namespace

bool expression_eq(const Node& a, const Node& b) {
  EqualityWalk walk(b);
  return walk_tree(a, walk);
}

}  // namespace zorvane
