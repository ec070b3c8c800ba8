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

// The degree of every node is a function of its subtree alone, so each distinct node is
// evaluated once however many parents share it. Only a power's base, both sides of a
// remainder, the terms of a sum, product, min or max and a reduction's body are evaluated;
// every other node has degree 0 (a variable or a subscripted variable 1) and its inside is
// never looked at.
class DegreeWalk : public WalkHooks {
 public:
  Visit enter(const Node& node, const WalkFrame*) {
    if (const DegreeInfo* known = memo_.find(&node)) {
      values_.push_back(*known);
      return Visit::SkipChildren;
    }
    switch (node.tag) {
      case Tag::BinaryOp:
      case Tag::CommutativeOp:
      case Tag::ReductionOp: return Visit::Continue;
      case Tag::DecisionVar: values_.push_back(variable()); break;
      case Tag::Subscript:
        values_.push_back(as<SubscriptNode>(node).variable->tag == Tag::DecisionVar ? variable() : leaf(0.0));
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
      info.has_variable = info.has_variable || values_[i].has_variable;
      info.max_degree = std::fmax(info.max_degree, values_[i].max_degree);
    }
    double degree = frame.next > 0 ? values_.back().degree : 0.0;
    switch (node.tag) {
      case Tag::BinaryOp:
        // A power scales its base's degree; a remainder takes the degree of its right side.
        if (as<BinaryNode>(node).op() == BinaryKind::Pow) {
          if (const NumericValue* exponent = literal_value(*as<BinaryNode>(node).right)) {
            const double power = exponent->as_double();
            const bool whole = power >= 0.0 && std::floor(power) == power;
            if (info.has_variable && degree != 0.0 && !whole) info.non_polynomial = true;
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
    memo_.insert(&node, info);
  }

  DegreeInfo result() const noexcept { return values_.back(); }

 private:
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

  std::vector<DegreeInfo> values_;  // one per evaluated child of the frames being walked
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
