// Normal forms of sums and products regardless of LaTeX strings.
#include "model/expression/flatten.hpp"

#include "model/expression/arithmetic.hpp"
#include "model/expression/expression.hpp"

namespace zorvane {
namespace {

// Recursion depth is bounded by the height of the tree.
void splice(const Node& node, CommutativeKind kind, std::vector<Expr>& out) {
  const TermList& terms = as<CommutativeNode>(node).terms;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    const Expr& term = terms[i];
    if (term->tag == Tag::CommutativeOp && term->kind == std::uint8_t(kind)) {
      splice(*term, kind, out);
    } else {
      out.push_back(term);
    }
  }
}

bool is_power(const Node& node) noexcept {
  return node.tag == Tag::BinaryOp && node.kind == std::uint8_t(BinaryKind::Pow);
}

}  // namespace

std::vector<Expr> add_op_flatten(const Node& sum) {
  std::vector<Expr> terms;
  splice(sum, CommutativeKind::Add, terms);
  const Expr normal = add_op_from_terms(std::move(terms));
  return as<CommutativeNode>(normal).terms.to_vector();
}

std::vector<Expr> mul_op_flatten(const Node& product) {
  std::vector<Expr> terms;
  splice(product, CommutativeKind::Mul, terms);
  const Expr normal = mul_op_from_terms(std::move(terms));
  std::vector<Expr> merged;
  const TermList& factors = as<CommutativeNode>(normal).terms;
  for (std::size_t i = 0; i < factors.size(); ++i) {
    const Expr& factor = factors[i];
    if (!merged.empty() && is_power(*merged.back()) && is_power(*factor)) {
      const auto& a = as<BinaryNode>(merged.back());
      const auto& b = as<BinaryNode>(factor);
      if (expression_eq(*a.left, *b.left)) {
        merged.back() = pow_op_new(a.left, expression_add(a.right, b.right));
        continue;
      }
    }
    merged.push_back(factor);
  }
  return merged;
}

}  // namespace zorvane
