// Read-only questions about expression trees.
#include "core/expression/expression.hpp"

#include <cmath>
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

// How number literals compare: `expression_eq`, `same_variable`, `interchangeable_variables`.
enum class Numbers : std::uint8_t { ByValue, NanEqual, Interchangeable };

bool is_nan(const NumericValue& v) noexcept { return !v.is_integer() && std::isnan(v.real); }

bool numbers_equal(const NumericValue& x, const NumericValue& y, Numbers rule) noexcept {
  if (rule != Numbers::ByValue && (is_nan(x) || is_nan(y))) return is_nan(x) && is_nan(y);
  if (rule == Numbers::Interchangeable && x.kind != y.kind) {
    // Below 2^53 an Integer is the only one that rounds to its double.
    constexpr std::int64_t kExact = std::int64_t(1) << 53;
    const std::int64_t integer = x.is_integer() ? x.integer : y.integer;
    if (integer <= -kExact || integer >= kExact) return false;
  }
  return numeric_value_eq(x, y);
}

// Everything equality compares but the children, which are then compared pairwise in the
// order of `child_at`: so also which optional children are present and how many there are.
// `b` has the tag and kind of `a`.
struct SameFields {
  const Node& b;
  Numbers numbers;
  template <class T>
  const T& other() const noexcept {
    return as<T>(b);
  }
  bool operator()(const NumberLitNode& a) const noexcept {
    return numbers_equal(a.value, other<NumberLitNode>().value, numbers);
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

bool same_fields(const Node& a, const Node& b, Numbers numbers) noexcept {
  return a.tag == b.tag && a.kind == b.kind && visit(a, SameFields{b, numbers});
}

// Walks `a` and, in step, the node of `b` at the same place. A pair of shared nodes compared
// once is not compared again: the answer is the conjunction over all pairs, so a pair met
// again adds nothing (it is either settled or still being compared further up the stack).
class EqualityWalk : public WalkHooks {
 public:
  EqualityWalk(const Node& b, Numbers numbers) noexcept : b_(b), numbers_(numbers) {}

  Visit enter(const Node& a, const WalkFrame* parent) {
    const Node& b = parent == nullptr ? b_ : *child_at(*others_.back(), parent->next - 1);
    const WalkFrame b_parent{parent == nullptr ? nullptr : others_.back()};
    if (reachable_twice(a, parent) && reachable_twice(b, parent == nullptr ? nullptr : &b_parent) &&
        !compared_.insert({&a, &b})) {
      return Visit::SkipChildren;
    }
    if (!same_fields(a, b, numbers_)) return Visit::Stop;
    if (child_at(a, 0) == nullptr) return Visit::SkipChildren;
    if (others_.empty()) others_.reserve(32);  // as the walk's own stack: one allocation
    others_.push_back(&b);
    return Visit::Continue;
  }
  void leave(const WalkFrame&) noexcept { others_.pop_back(); }

 private:
  const Node& b_;
  Numbers numbers_;
  std::vector<const Node*> others_;  // the node of `b` for each frame of the walk over `a`
  IdentitySet<std::pair<const Node*, const Node*>> compared_;
};

}  // namespace

bool expression_eq(const Node& a, const Node& b) {
  EqualityWalk walk(b, Numbers::ByValue);
  return walk_tree(a, walk);
}

bool same_variable(const Node& a, const Node& b) {
  if (&a == &b) return true;
  EqualityWalk walk(b, Numbers::NanEqual);
  return walk_tree(a, walk);
}

bool interchangeable_variables(const Node& a, const Node& b) {
  if (&a == &b) return true;
  EqualityWalk walk(b, Numbers::Interchangeable);
  return walk_tree(a, walk);
}

}  // namespace zorvane
