// Read-only questions about expression trees.
#include "core/expression/expression.hpp"

#include <bit>
#include <cstdint>
#include <stdexcept>

#include "core/expression/tree_walk.hpp"

namespace zorvane {
namespace {

const Text kNoText;

}  // namespace

NodeKind node_kind(const Node& node) noexcept { return {node.tag, node.kind}; }

const Text& latex_field(const Node& node) noexcept {
  return visit(node, Overloaded{
                         [](const SubscriptNode&) -> const Text& { return kNoText; },
                         [](const auto& record) -> const Text& {
                           if constexpr (requires { record.latex; }) {
                             return record.latex;
                           } else {
                             return kNoText;
                           }
                         },
                     });
}


Expr with_latex(const Node& node, Text latex) {
  return visit(node, [&](const auto& record) -> Expr {
    using T = std::remove_cvref_t<decltype(record)>;
    if constexpr (requires { record.latex; }) {
      auto* copy = new_node<T>(record);
      copy->latex = std::move(latex);
      return finish(copy);
    } else {
      throw std::logic_error("this node has no LaTeX string");
    }
  });
}


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
// `b` has the tag and kind of `a`.
struct SameFields {
  const Node& b;
  bool exact_numbers;
  template <class T>
  const T& other() const noexcept {
    return as<T>(b);
  }
  bool operator()(const NumberLitNode& a) const noexcept {
    const NumericValue& y = other<NumberLitNode>().value;
    if (!exact_numbers) return numeric_value_eq(a.value, y);
    if (a.value.kind != y.kind) return false;
    return a.value.is_integer() ? a.value.integer == y.integer
                                : std::bit_cast<std::uint64_t>(a.value.real) == std::bit_cast<std::uint64_t>(y.real);
  }
  bool operator()(const PlaceholderNode& a) const noexcept {
    return a.name == other<PlaceholderNode>().name && a.ndim == other<PlaceholderNode>().ndim;
  }
  bool operator()(const ElementNode& a) const noexcept {
    return a.name == other<ElementNode>().name && a.ndim == other<ElementNode>().ndim;
  }
  bool operator()(const RangeNode&) const noexcept { return true; }
  bool operator()(const DecisionVarNode& a) const noexcept {
    const auto& y = other<DecisionVarNode>();
    auto bound_fields = [](const Bound& p, const Bound& q) { return p.kind == q.kind && !p.node == !q.node; };
    return a.name == y.name && a.shape.size() == y.shape.size() && bound_fields(a.lower_bound, y.lower_bound) &&
           bound_fields(a.upper_bound, y.upper_bound);
  }
  bool operator()(const SubscriptNode& a) const noexcept {
    const auto& y = other<SubscriptNode>();
    return a.ndim == y.ndim && a.latex == y.latex && a.subscripts.size() == y.subscripts.size();
  }
  bool operator()(const ArrayLengthNode& a) const noexcept { return a.axis == other<ArrayLengthNode>().axis; }
  bool operator()(const UnaryNode&) const noexcept { return true; }
  bool operator()(const BinaryNode&) const noexcept { return true; }
  bool operator()(const ComparisonNode&) const noexcept { return true; }
  bool operator()(const CommutativeNode& a) const noexcept {
    return a.terms.size() == other<CommutativeNode>().terms.size();
  }
  bool operator()(const ReductionNode& a) const noexcept {
    return !a.condition == !other<ReductionNode>().condition;
  }
  bool operator()(const LogicalNode& a) const noexcept { return a.terms.size() == other<LogicalNode>().terms.size(); }
};

bool same_fields(const Node& a, const Node& b, bool exact_numbers) noexcept {
  return a.tag == b.tag && a.kind == b.kind && visit(a, SameFields{b, exact_numbers});
}

// Walks `a` and, in step, the node of `b` at the same place. A pair of shared nodes compared
// once is not compared again: the answer is the conjunction over all pairs, so a pair met
// again adds nothing (it is either settled or still being compared further up the stack).
class EqualityWalk : public WalkHooks {
 public:
  EqualityWalk(const Node& b, bool exact_numbers) noexcept : b_(b), exact_numbers_(exact_numbers) {}

  Visit enter(const Node& a, const WalkFrame* parent) {
    const Node& b = parent == nullptr ? b_ : *child_at(*others_.back(), parent->next - 1);
    if (shared(a) && shared(b) && !compared_.insert({&a, &b})) return Visit::SkipChildren;
    if (!same_fields(a, b, exact_numbers_)) return Visit::Stop;
    if (child_at(a, 0) == nullptr) return Visit::SkipChildren;
    if (others_.empty()) others_.reserve(32);  // as the walk's own stack: one allocation
    others_.push_back(&b);
    return Visit::Continue;
  }
  void leave(const WalkFrame&) noexcept { others_.pop_back(); }

 private:
  const Node& b_;
  bool exact_numbers_;
  std::vector<const Node*> others_;  // the node of `b` for each frame of the walk over `a`
  IdentitySet<std::pair<const Node*, const Node*>> compared_;
};

}  // namespace

bool expression_eq(const Node& a, const Node& b) {
  EqualityWalk walk(b, false);
  return walk_tree(a, walk);
}

bool expression_identical(const Node& a, const Node& b) {
  if (&a == &b) return true;
  EqualityWalk walk(b, true);
  return walk_tree(a, walk);
}

}  // namespace zorvane
