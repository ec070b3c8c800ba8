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

// A node can be met twice by one walk only when more than one reference holds it, or when it
// is a term in a buffer that several sums or products share.
bool reachable_twice(const Node& node, const WalkFrame* parent) noexcept {
  if (node.refs > 1) return true;
  return parent != nullptr && parent->node->tag == Tag::CommutativeOp &&
         as<CommutativeNode>(*parent->node).terms.shares_buffer();
}

// The degree of every node is a function of its subtree alone, so each node that can be met
// twice is evaluated once however many parents share it (only those are remembered: a map of
// every node grows slower per node as it outgrows the caches). Only a power's base, both sides of a
// remainder, the terms of a sum, product, min or max and a reduction's body are evaluated;
// every other node has degree 0 (a variable or a subscripted variable 1) and its inside is
// never looked at.
class DegreeWalk : public WalkHooks {
 public:
  Visit enter(const Node& node, const WalkFrame* parent) {
    const bool twice = reachable_twice(node, parent);
    if (twice) {
      if (const DegreeInfo* known = memo_.find(&node)) {
        values_.push_back(*known);
        return Visit::SkipChildren;
      }
    }
    switch (node.tag) {
      case Tag::BinaryOp:
      case Tag::CommutativeOp:
      case Tag::ReductionOp:
        remember_.push_back(twice);
        return Visit::Continue;
      case Tag::DecisionVar: values_.push_back(leaf(1.0)); break;
      case Tag::Subscript:
        values_.push_back(leaf(as<SubscriptNode>(node).variable->tag == Tag::DecisionVar ? 1.0 : 0.0));
        break;
      default: values_.push_back(leaf(0.0)); break;
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
    const std::size_t first = values_.size() - frame.next;
    DegreeInfo info;
    for (std::size_t i = first; i < values_.size(); ++i) {
      info.is_dynamic = info.is_dynamic || values_[i].is_dynamic;
      info.non_polynomial = info.non_polynomial || values_[i].non_polynomial;
      info.max_degree = std::fmax(info.max_degree, values_[i].max_degree);
    }
    double degree = frame.next > 0 ? values_.back().degree : 0.0;
    switch (node.tag) {
      case Tag::BinaryOp:
        // A power scales its base's degree; a remainder takes the degree of its right side.
        if (as<BinaryNode>(node).op() == BinaryKind::Pow) {
          if (const NumericValue* exponent = literal_value(*as<BinaryNode>(node).right)) {
            const double power = exponent->as_double();
            if (degree != 0.0 && !(power >= 0.0 && std::floor(power) == power)) info.non_polynomial = true;
            degree *= power;
          } else {
            info.is_dynamic = true;
          }
        }
        break;
      case Tag::CommutativeOp: {
        const bool product = as<CommutativeNode>(node).op() == CommutativeKind::Mul;
        degree = product ? 0.0 : -std::numeric_limits<double>::infinity();
        for (std::size_t i = first; i < values_.size(); ++i) {
          degree = product ? degree + values_[i].degree : std::fmax(degree, values_[i].degree);
        }
        break;
      }
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
    values_.resize(first);
    values_.push_back(info);
    if (remember_.back()) memo_.insert(&node, info);
    remember_.pop_back();
  }

  DegreeInfo result() const noexcept { return values_.back(); }

 private:
  static DegreeInfo leaf(double degree) noexcept {
    DegreeInfo info;
    info.degree = degree;
    info.max_degree = degree;
    return info;
  }

  std::vector<DegreeInfo> values_;  // one per evaluated child of the frames being walked
  std::vector<bool> remember_{false};  // per open frame: keep its value (the root is met once)
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
