// Normal forms of sums and products regardless of LaTeX strings. Nested sums and products are
// visited by the one tree walk, so a deep tree needs no more C stack than a shallow one.
#include "core/expression/flatten.hpp"

#include <optional>

#include "core/expression/arithmetic.hpp"
#include "core/expression/expression.hpp"
#include "core/expression/tree_walk.hpp"

namespace zorvane {
namespace {

bool is_kind(const Node& node, CommutativeKind kind) noexcept {
  return node.tag == Tag::CommutativeOp && node.kind == std::uint8_t(kind);
}

bool is_power(const Node& node) noexcept {
  return node.tag == Tag::BinaryOp && node.kind == std::uint8_t(BinaryKind::Pow);
}

// A constant added to a running one; the first constant stands as it is.
void add_to(std::optional<NumericValue>& constant, NumericValue value) noexcept {
  constant = constant ? numeric_value_add(*constant, value) : value;
}

// Non-literal terms land in `out` in depth-first order whatever the nesting; each nested sum
// folds its own constants first and hands the (nonzero) result to its parent, so the float
// additions happen in the same grouping as the nesting.
class SumFlattening : public WalkHooks {
 public:
  Visit enter(const Node& term, const WalkFrame* parent) {
    if (parent == nullptr || is_kind(term, CommutativeKind::Add)) {
      constants_.emplace_back();
      return Visit::Continue;
    }
    if (const NumericValue* value = literal_value(term)) {
      add_to(constants_.back(), *value);
    } else {
      out_.push_back(share(term));
    }
    return Visit::SkipChildren;
  }

  void leave(const WalkFrame&) {
    const std::optional<NumericValue> constant = constants_.back();
    constants_.pop_back();
    if (!constant || constant->is_zero()) return;
    if (constants_.empty()) {
      out_.push_back(make_number(*constant));
    } else {
      add_to(constants_.back(), *constant);
    }
  }

  std::vector<Expr> take() noexcept { return std::move(out_); }

 private:
  std::vector<Expr> out_;
  std::vector<std::optional<NumericValue>> constants_;  // one per sum being walked
};

// Each nested product is flattened into a list of its own; when done, its leading constant is
// taken out (its last term moving to the front), multiplied into the parent's first term (or put
// in front of it), and its other terms appended to the parent's. Two adjacent powers of one base
// among a product's own terms are merged; the term after the pair is looked at afresh.
class ProductFlattening : public WalkHooks {
 public:
  Visit enter(const Node& term, const WalkFrame* parent) {
    if (parent == nullptr || is_kind(term, CommutativeKind::Mul)) {
      lists_.emplace_back();
      return Visit::Continue;
    }
    lists_.back().push_back(share(term));
    return Visit::SkipChildren;
  }

  const Node* next_child(WalkFrame& frame) {
    const TermList& terms = as<CommutativeNode>(*frame.node).terms;
    while (frame.next + 1 < terms.size()) {
      const Node& term = *terms[frame.next];
      const Node& after = *terms[frame.next + 1];
      if (!is_power(term) || !is_power(after)) break;
      const auto& left = as<BinaryNode>(term);
      const auto& right = as<BinaryNode>(after);
      if (!expression_eq(*left.left, *right.left)) break;
      lists_.back().push_back(make_pow(left.left, build_add(left.right, right.right)));
      frame.next += 2;
    }
    return WalkHooks::next_child(frame);
  }

  void leave(const WalkFrame&) {
    if (lists_.size() == 1) return;
    std::vector<Expr> flat = std::move(lists_.back());
    lists_.pop_back();
    std::vector<Expr>& out = lists_.back();
    if (!flat.empty()) {
      if (const NumericValue* taken = literal_value(*flat.front())) {
        const NumericValue constant = *taken;
        Expr last = std::move(flat.back());
        flat.pop_back();
        if (!flat.empty()) flat.front() = std::move(last);
        if (const NumericValue* first = out.empty() ? nullptr : literal_value(*out.front())) {
          out.front() = make_number(numeric_value_mul(*first, constant));
        } else {
          out.insert(out.begin(), make_number(constant));
        }
      }
    }
    for (Expr& term : flat) out.push_back(std::move(term));
  }

  std::vector<Expr> take() noexcept { return std::move(lists_.front()); }

 private:
  std::vector<std::vector<Expr>> lists_;  // the flattened terms of each product being walked
};

}  // namespace

std::vector<Expr> add_op_flatten(const Node& sum) {
  SumFlattening flattening;
  walk_tree(sum, flattening);
  return flattening.take();
}

std::vector<Expr> mul_op_flatten(const Node& product) {
  ProductFlattening flattening;
  walk_tree(product, flattening);
  return flattening.take();
}

}  // namespace zorvane
