// Normal forms of sums and products regardless of LaTeX strings. Nested sums and products are
// visited with explicit stacks, so a deep tree needs no more C stack than a shallow one.
#include "model/expression/flatten.hpp"

#include <optional>

#include "lib/interrupt.hpp"
#include "model/expression/arithmetic.hpp"
#include "model/expression/expression.hpp"

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

}  // namespace

std::vector<Expr> add_op_flatten(const Node& sum) {
  // Non-literal terms land in `out` in depth-first order whatever the nesting; each nested sum
  // folds its own constants first and hands the (nonzero) result to its parent, so the float
  // additions happen in the same grouping as the nesting.
  struct Frame {
    const TermList* terms;
    std::size_t next;
    std::optional<NumericValue> constant;
  };
  std::vector<Expr> out;
  std::vector<Frame> stack{{&as<CommutativeNode>(sum).terms, 0, std::nullopt}};
  InterruptPoll poll;
  while (true) {
    poll.tick();
    Frame& top = stack.back();
    if (top.next == top.terms->size()) {
      const std::optional<NumericValue> constant = top.constant;
      stack.pop_back();
      const bool kept = constant && !constant->is_zero();
      if (stack.empty()) {
        if (kept) out.push_back(make_number(*constant));
        return out;
      }
      if (kept) add_to(stack.back().constant, *constant);
      continue;
    }
    const Expr& term = (*top.terms)[top.next++];
    if (const NumericValue* value = literal_value(*term)) {
      add_to(top.constant, *value);
    } else if (is_kind(*term, CommutativeKind::Add)) {
      stack.push_back({&as<CommutativeNode>(term).terms, 0, std::nullopt});
    } else {
      out.push_back(term);
    }
  }
}

std::vector<Expr> mul_op_flatten(const Node& product) {
  // Each nested product is flattened into a list of its own; when done, its leading constant
  // is taken out (its last term moving to the front), multiplied into the parent's first term
  // (or put in front of it), and its other terms appended to the parent's.
  struct Frame {
    const TermList* terms;
    std::size_t next;
    std::vector<Expr> out;
  };
  std::vector<Frame> stack;
  stack.push_back({&as<CommutativeNode>(product).terms, 0, {}});
  InterruptPoll poll;
  while (true) {
    poll.tick();
    Frame& top = stack.back();
    const TermList& terms = *top.terms;
    if (top.next == terms.size()) {
      if (stack.size() == 1) return std::move(top.out);
      std::vector<Expr> flat = std::move(top.out);
      stack.pop_back();
      std::vector<Expr>& out = stack.back().out;
      if (!flat.empty()) {
        if (const NumericValue* taken = literal_value(*flat.front())) {
          const NumericValue constant = *taken;
          Expr last = std::move(flat.back());
          flat.pop_back();
          if (!flat.empty()) flat.front() = std::move(last);
          const NumericValue* first = out.empty() ? nullptr : literal_value(*out.front());
          if (first) {
            out.front() = make_number(numeric_value_mul(*first, constant));
          } else {
            out.insert(out.begin(), make_number(constant));
          }
        }
      }
      for (Expr& term : flat) out.push_back(std::move(term));
      continue;
    }
    const Expr& term = terms[top.next++];
    if (is_kind(*term, CommutativeKind::Mul)) {
      stack.push_back({&as<CommutativeNode>(term).terms, 0, {}});
      continue;
    }
    if (is_power(*term) && top.next < terms.size() && is_power(*terms[top.next])) {
      const auto& left = as<BinaryNode>(term);
      const auto& right = as<BinaryNode>(terms[top.next]);
      if (expression_eq(*left.left, *right.left)) {
        // The term after the pair is looked at afresh, never against the merged power.
        ++top.next;
        top.out.push_back(pow_op_new(left.left, expression_add(left.right, right.right)));
        continue;
      }
    }
    top.out.push_back(term);
  }
}

}  // namespace zorvane
