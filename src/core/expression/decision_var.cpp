// The decision-variable record: bounds, their checks, and dummy indices of sliced variables.
#include "core/expression/decision_var.hpp"

#include <array>

#include <fmt/format.h>

#include "core/expression/arithmetic.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/node_text.hpp"

namespace zorvane {
namespace {

// What a bound-dimension message calls the variable, lower and upper bound; the upper-bound
// text of a semi-integer variable reads "a semi-integer integer variable".
struct BoundNouns {
  const char* lower;
  const char* upper;
};
constexpr auto kBoundNouns = std::to_array<BoundNouns>({
    {"", ""},
    {"an integer variable", "an integer variable"},
    {"a continuous variable", "a continuous variable"},
    {"a semi-integer variable", "a semi-integer integer variable"},
    {"a semi-continuous variable", "a semi-continuous variable"},
});
static_assert(kBoundNouns.size() == kDecisionVarKindCount);

void check_bound_ndim(const Bound& bound, const char* which, const char* noun, std::uint64_t ndim) {
  const std::uint64_t axes = bound_ndim(bound);
  if (axes != 0 && axes != ndim) {
    raise_modeling(fmt::format("the number of dimensions of a {} bound (= {}) must be equal to zero or "
                               "the number of {} (= {})", which, axes, noun, ndim));
  }
}

Bound literal_bound(std::int64_t value) {
  return Bound{Bound::Kind::Expression, make_number(NumericValue::of_integer(value))};
}

}  // namespace

Bound binary_var_lower_bound() { return literal_bound(0); }
Bound binary_var_upper_bound() { return literal_bound(1); }

Bound bound_from_expression(Expr expression) { return Bound{Bound::Kind::Expression, std::move(expression)}; }

Bound bound_from_placeholder(Expr placeholder) {
  if (as<PlaceholderNode>(placeholder).ndim == 0) raise_modeling("the placeholder is a scalar");
  return Bound{Bound::Kind::Placeholder, std::move(placeholder)};
}

Bound bound_from_subscript(Expr subscript) {
  const auto& s = as<SubscriptNode>(subscript);
  if (s.ndim == 0) raise_modeling("the subscripted variable is a scalar");
  if (s.variable->tag != Tag::Placeholder) {
    raise_modeling("only a subscripted placeholder can be used as the bound of a decision variable");
  }
  return Bound{Bound::Kind::Subscript, std::move(subscript)};
}

bool bound_accepts(Bound::Kind kind, const Node& node) noexcept {
  switch (kind) {
    case Bound::Kind::Expression: return true;
    case Bound::Kind::Placeholder: return as<PlaceholderNode>(node).ndim != 0;
    case Bound::Kind::Subscript:
      return as<SubscriptNode>(node).ndim != 0 && as<SubscriptNode>(node).variable->tag == Tag::Placeholder;
  }
  return false;
}

std::optional<Bound> array_bound(const Expr& node) {
  using enum Bound::Kind;
  if (node->tag == Tag::Placeholder && bound_accepts(Placeholder, *node)) return Bound{Placeholder, node};
  if (node->tag == Tag::Subscript && bound_accepts(Subscript, *node)) return Bound{Subscript, node};
  return std::nullopt;
}

std::uint64_t bound_ndim(const Bound& bound) noexcept {
  return bound.kind == Bound::Kind::Expression ? 0 : operand_ndim(*bound.node);
}

Expr build_decision_var(DecisionVarKind kind, std::string name, std::vector<Expr> shape, Bound lower,
                      Bound upper, Text description, Text latex) {
  if (kind != DecisionVarKind::Binary) {
    const BoundNouns& nouns = kBoundNouns[std::size_t(kind)];
    check_bound_ndim(lower, "lower", nouns.lower, shape.size());
    check_bound_ndim(upper, "upper", nouns.upper, shape.size());
  }
  return make_node<DecisionVarNode>([&](DecisionVarNode& v) {
    v.name = std::move(name);
    v.shape = std::move(shape);
    v.lower_bound = std::move(lower);
    v.upper_bound = std::move(upper);
    v.description = std::move(description);
    v.latex = std::move(latex);
  }, kind);
}

Expr decision_var_true_divide(const Expr& variable, Expr divisor) {
  Expr dividend = decision_var_into_scalar(variable);
  if (contains_decision_variable(*divisor)) {
    const auto& v = as<DecisionVarNode>(variable);
    raise_modeling(fmt::format("Cannot divide a {}Var named \"{}\" by a decision variable or an expression "
                               "containing a decision variable (right = {}).",
                               decision_var_kind_word(v.var_kind()), v.name, expression_str(*divisor)));
  }
  return build_div(std::move(dividend), std::move(divisor));
}

void decision_var_reflected_true_divide(const Expr& variable, const Node& dividend) {
  const auto& v = as<DecisionVarNode>(variable);
  raise_modeling(fmt::format("Cannot use a {}Var named \"{}\" as a divisor (dividend = {}).",
                             decision_var_kind_word(v.var_kind()), v.name, expression_str(dividend)));
}

Rc<const ElementNode> dummy_index(const DecisionVarNode& variable, std::size_t position, Expr start, Expr stop) {
  Expr set = build_range(std::move(start), std::move(stop));
  return make_element(fmt::format("__dummy_{}_{}", variable.name, position), std::move(set),
                     fmt::format("dummy index at {} for {}", position, variable.name),
                     fmt::format("\\ast_{{{}}}", position));
}

void refuse_slice_step(const DecisionVarNode& variable, std::size_t position, const Node& step) {
  raise_modeling(fmt::format("The {}-th subscript of the {}Var named '{}' uses a slice with a step `{}`. "
                             "However, the slice with a step is not supported.",
                             position, decision_var_kind_word(variable.var_kind()), variable.name,
                             expression_str(step)));
}

void refuse_missing_axis(const Expr& variable, std::size_t key_length) {
  Expr subscripted = into_subscripted_variable(variable);  // a scalar variable stops here
  raise_modeling(fmt::format("the number of subscripts (= {}) is greater than the dimensionality of the "
                             "variable `{}` (= {})",
                             key_length, as<DecisionVarNode>(subscripted).name, operand_ndim(*subscripted)));
}

Expr dummy_indexed_operand(const DummyIndexed& value) {
  Expr subscript = build_subscript(into_subscripted_variable(value.variable), ExprList(value.subscripts));
  return subscript_into_scalar(subscript);
}

}  // namespace zorvane
