// Read-only questions about expression trees.
#include "model/expression/expression.hpp"

namespace zorvane {
namespace {

const Text kNoText;

bool text_eq(const Text& a, const Text& b) noexcept { return a == b; }

bool list_eq(const std::vector<Expr>& a, const std::vector<Expr>& b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!expression_eq(*a[i], *b[i])) return false;
  }
  return true;
}

bool optional_eq(const Expr& a, const Expr& b) noexcept {
  if (!a || !b) return !a && !b;
  return expression_eq(*a, *b);
}

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

bool contains_decision_variable(const Node& node) noexcept {
  switch (node.tag) {
    case Tag::DecisionVar: return true;
    case Tag::NumberLit:
    case Tag::Placeholder:
    case Tag::Element:  // an element's set is never examined
    case Tag::ArrayLength:
    case Tag::Range: return false;
    case Tag::ReductionOp: {
      const auto& r = as<ReductionNode>(node);
      return contains_decision_variable(*r.operand) ||
             (r.condition && contains_decision_variable(*r.condition));
    }
    default: {
      bool found = false;
      for_each_child(node, [&](const Expr& child) {
        found = found || contains_decision_variable(*child);
      });
      return found;
    }
  }
}

bool expression_eq(const Node& a, const Node& b) noexcept {
  if (a.tag != b.tag || a.kind != b.kind) return false;
  switch (a.tag) {
    case Tag::NumberLit:
      return numeric_value_eq(as<NumberLitNode>(a).value, as<NumberLitNode>(b).value);
    case Tag::Placeholder: {
      const auto& x = as<PlaceholderNode>(a);
      const auto& y = as<PlaceholderNode>(b);
      return x.name == y.name && x.ndim == y.ndim;
    }
    case Tag::Element: {
      const auto& x = as<ElementNode>(a);
      const auto& y = as<ElementNode>(b);
      return x.name == y.name && x.ndim == y.ndim && expression_eq(*x.set, *y.set);
    }
    case Tag::Range: {
      const auto& x = as<RangeNode>(a);
      const auto& y = as<RangeNode>(b);
      return expression_eq(*x.start, *y.start) && expression_eq(*x.end, *y.end);
    }
    case Tag::DecisionVar: {
      const auto& x = as<DecisionVarNode>(a);
      const auto& y = as<DecisionVarNode>(b);
      auto bound_eq = [](const Bound& p, const Bound& q) {
        return p.kind == q.kind && optional_eq(p.node, q.node);
      };
      return x.name == y.name && list_eq(x.shape, y.shape) &&
             bound_eq(x.lower_bound, y.lower_bound) && bound_eq(x.upper_bound, y.upper_bound);
    }
    case Tag::Subscript: {
      const auto& x = as<SubscriptNode>(a);
      const auto& y = as<SubscriptNode>(b);
      return x.ndim == y.ndim && text_eq(x.latex, y.latex) &&
             expression_eq(*x.variable, *y.variable) && list_eq(x.subscripts, y.subscripts);
    }
    case Tag::ArrayLength: {
      const auto& x = as<ArrayLengthNode>(a);
      const auto& y = as<ArrayLengthNode>(b);
      return x.axis == y.axis && expression_eq(*x.array, *y.array);
    }
    case Tag::UnaryOp: return expression_eq(*as<UnaryNode>(a).operand, *as<UnaryNode>(b).operand);
    case Tag::BinaryOp: {
      const auto& x = as<BinaryNode>(a);
      const auto& y = as<BinaryNode>(b);
      return expression_eq(*x.left, *y.left) && expression_eq(*x.right, *y.right);
    }
    case Tag::Comparison: {
      const auto& x = as<ComparisonNode>(a);
      const auto& y = as<ComparisonNode>(b);
      return expression_eq(*x.left, *y.left) && expression_eq(*x.right, *y.right);
    }
    case Tag::CommutativeOp: {
      const TermList& x = as<CommutativeNode>(a).terms;
      const TermList& y = as<CommutativeNode>(b).terms;
      if (x.size() != y.size()) return false;
      for (std::size_t i = 0; i < x.size(); ++i) {
        if (!expression_eq(*x[i], *y[i])) return false;
      }
      return true;
    }
    case Tag::ReductionOp: {
      const auto& x = as<ReductionNode>(a);
      const auto& y = as<ReductionNode>(b);
      return expression_eq(*x.index, *y.index) && optional_eq(x.condition, y.condition) &&
             expression_eq(*x.operand, *y.operand);
    }
    case Tag::Logical: return list_eq(as<LogicalNode>(a).terms, as<LogicalNode>(b).terms);
  }
  return false;
}

}  // namespace zorvane
