// Degree analysis over the one tree walk, each distinct node evaluated once.
#include "core/analysis/degree.hpp"

#include <cmath>
#include <limits>

#include "core/expression/expression.hpp"
#include "core/expression/tree_walk.hpp"

namespace zorvane {
namespace {

// A literal range gives a product a fixed number of factors; any other set leaves it to data.
bool literal_range_length(const ElementNode& index, double& length) noexcept {
  if (index.set->tag != Tag::Range) return false;
  const auto& range = as<RangeNode>(index.set);
  const NumericValue* start = literal_value(*range.start);
  const NumericValue* end = literal_value(*range.end);
  if (start == nullptr || end == nullptr) return false;
  length = end->as_double() - start->as_double();
  return true;
}

// The degree of every node is a function of its subtree alone, so each node that can be met
// twice is evaluated once however many parents share it. Only those nodes are remembered, and
// each open node folds its children's values as they come: the walk keeps nothing per node
// otherwise, so its cost per node stays flat as trees outgrow the caches. Only a power's base,
// both sides of a remainder, the terms of a sum, product, min or max and a reduction's body are
// evaluated; every other node has degree 0 (a variable or a subscripted variable 1) and its
// inside is never looked at.
class DegreeWalk : public WalkHooks {
 public:
  Visit enter(const Node& node, const WalkFrame* parent) {
    const bool twice = reachable_twice(node, parent);
    if (twice) {
      if (const DegreeInfo* known = memo_.find(&node)) {
        give(*known);
        return Visit::SkipChildren;
      }
    }
    switch (node.tag) {
      case Tag::BinaryOp:
      case Tag::CommutativeOp:
      case Tag::ReductionOp:
        open_.push_back(Open{.remember = twice});
        return Visit::Continue;
      case Tag::DecisionVar: give(variable()); break;
      case Tag::Subscript: give(as<SubscriptNode>(node).variable->tag == Tag::DecisionVar ? variable() : leaf(0.0)); break;
      default: give(leaf(0.0)); break;
    }
    return Visit::SkipChildren;
  }

  const Node* next_child(WalkFrame& frame) {
    const Node& node = *frame.node;
    const Node* only = nullptr;  // the one child evaluated: a power's base, a reduction's body
    if (node.tag == Tag::BinaryOp && as<BinaryNode>(node).op() == BinaryKind::Pow) {
      only = as<BinaryNode>(node).left.get();
    } else if (node.tag == Tag::ReductionOp) {
      only = as<ReductionNode>(node).operand.get();
    } else {
      return WalkHooks::next_child(frame);
    }
    if (frame.next > 0) return nullptr;
    ++frame.next;
    return only;
  }

  void leave(const WalkFrame& frame) {
    const Node& node = *frame.node;
    const Open open = open_.back();
    open_.pop_back();
    DegreeInfo info = open.info;
    double degree = open.last;  // a remainder takes the degree of its right side
    switch (node.tag) {
      case Tag::BinaryOp:
        // A power scales its base's degree.
        if (as<BinaryNode>(node).op() == BinaryKind::Pow) {
          if (const NumericValue* exponent = literal_value(*as<BinaryNode>(node).right)) {
            const double power = exponent->as_double();
            const bool whole = power >= 0.0 && std::floor(power) == power;
            // Whatever the base's degree: `(x % 2) ** 0.5` and `(x ** 0) ** 0.5` hold x too.
            if (info.has_variable && !whole) info.non_polynomial = true;
            degree *= power;
          } else {
            info.is_dynamic = true;
          }
        }
        break;
      case Tag::CommutativeOp:
        degree = as<CommutativeNode>(node).op() == CommutativeKind::Mul ? open.sum : open.max;
        break;
      case Tag::ReductionOp: {
        const auto& reduction = as<ReductionNode>(node);
        if (reduction.op() == ReductionKind::Prod) {
          double length = 0.0;
          if (literal_range_length(*reduction.index, length)) {
            degree *= length;
          } else {
            info.is_dynamic = true;
          }
        }
        break;
      }
      default: break;
    }
    info.degree = degree;
    info.max_degree = std::fmax(info.max_degree, degree);
    if (open.remember) memo_.insert(&node, info);
    give(info);
  }

  DegreeInfo result() const noexcept { return result_; }

 private:
  // What an open node has folded from the children evaluated so far.
  struct Open {
    bool remember = false;      // the node can be met again: keep its value
    DegreeInfo info{};      // the flags and the greatest degree under it
    double last = 0.0;      // the last child's degree
    double sum = 0.0;       // a product's degree
    double max = -std::numeric_limits<double>::infinity();  // a sum's, minimum's or maximum's
  };

  static DegreeInfo leaf(double degree) noexcept {
    DegreeInfo info;
    info.degree = degree;
    info.max_degree = degree;
    return info;
  }

  static DegreeInfo variable() noexcept {
    DegreeInfo info = leaf(1.0);
    info.has_variable = true;
    return info;
  }

  // Hands the value of a node to its parent, or makes it the result at the root.
  void give(const DegreeInfo& child) noexcept {
    if (open_.empty()) {
      result_ = child;
      return;
    }
    Open& parent = open_.back();
    parent.info.is_dynamic = parent.info.is_dynamic || child.is_dynamic;
    parent.info.non_polynomial = parent.info.non_polynomial || child.non_polynomial;
    parent.info.has_variable = parent.info.has_variable || child.has_variable;
    parent.info.max_degree = std::fmax(parent.info.max_degree, child.max_degree);
    parent.last = child.degree;
    parent.sum += child.degree;
    parent.max = std::fmax(parent.max, child.degree);
  }

  std::vector<Open> open_;  // one per node entered and not yet left
  DegreeInfo result_;
  IdentityMap<const Node*, DegreeInfo> memo_;
};

}  // namespace

DegreeInfo::DegreeInfo() noexcept : max_degree(-std::numeric_limits<double>::infinity()) {}

DegreeInfo compute_degree(const Node& node) {
  DegreeWalk walk;
  walk_tree(node, walk);
  return walk.result();
}

}  // namespace zorvane
