// Builders of unary, minimum and maximum nodes, with their decision-variable checks.
#include "core/expression/function_nodes.hpp"

#include <fmt/format.h>

#include "core/expression/arithmetic.hpp"

namespace zorvane {

Expr build_unary(UnaryKind kind, Expr operand) {
  if (contains_decision_variable(*operand)) {
    raise_modeling("the operand of the unary op contains a decision variable");
  }
  return make_node<UnaryNode>([&](UnaryNode& n) { n.operand = std::move(operand); }, kind);
}

bool unary_accepts(const Node& operand) noexcept { return !contains_decision_variable(operand); }

Expr build_min_max(CommutativeKind kind, std::vector<Expr> terms) {
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (contains_decision_variable(*terms[i])) {
      raise_modeling(fmt::format("the {}-th term contains a decision variable", i));
    }
  }
  return make_commutative(kind, TermList(std::move(terms)));
}

}  // namespace zorvane
