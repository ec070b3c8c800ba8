// Ranges, elements, subscripts and array lengths, with their construction checks.
#include "core/expression/indexing.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "core/expression/expression.hpp"
#include "core/expression/node_text.hpp"
#include "core/expression/number_text.hpp"

namespace zorvane {
namespace {

// The order of two literal bounds: -1, 0, 1, or 2 when they have none (a NaN).
int compare_literals(NumericValue a, NumericValue b) noexcept {
  if (a.is_integer() && b.is_integer()) return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
  const double x = a.as_double();
  const double y = b.as_double();
  if (x < y) return -1;
  if (x > y) return 1;
  return x == y ? 0 : 2;
}

Expr zero() { return make_number(NumericValue::of_integer(0)); }

std::uint64_t set_ndim(const Node& set) noexcept { return set.tag == Tag::Range ? 0 : operand_ndim(set); }

}  // namespace

// ---- Ranges and elements ----------------------------------------------------------------

Expr build_range(Expr start, Expr end) {
  const NumericValue* first = literal_value(*start);
  const NumericValue* last = literal_value(*end);
  if (first != nullptr && last != nullptr) {
    const int order = compare_literals(*first, *last);
    if (order == 1 || order == 0) {
      raise(ErrorKind::Value, fmt::format("`Range.start` (= {}) is {} `Range.end` (= {})",
                                          number_to_string(*first),
                                          order == 1 ? "larger than" : "equal to",
                                          number_to_string(*last)));
    }
  }
  if (contains_decision_variable(*start)) raise_modeling("the lower bound contains a decision variable");
  if (contains_decision_variable(*end)) raise_modeling("the upper bound contains a decision variable");
  return make_node<RangeNode>([&](RangeNode& r) {
    r.start = std::move(start);
    r.end = std::move(end);
  });
}

bool range_accepts(const Node& start, const Node& end) noexcept {
  const NumericValue* first = literal_value(start);
  const NumericValue* last = literal_value(end);
  if (first != nullptr && last != nullptr) {
    const int order = compare_literals(*first, *last);
    if (order == 1 || order == 0) return false;
  }
  return !contains_decision_variable(start) && !contains_decision_variable(end);
}

Rc<const ElementNode> make_element(std::string name, Expr set, Text description, Text latex) {
  return make_node<ElementNode>([&](ElementNode& e) {
    const std::uint64_t n = set_ndim(*set);
    e.name = std::move(name);
    e.ndim = n == 0 ? 0 : n - 1;
    e.set = std::move(set);
    e.description = std::move(description);
    e.latex = std::move(latex);
  });
}

Expr expression_into_element_set(Expr end) { return build_range(zero(), std::move(end)); }

Expr operand_into_element_set(const Expr& operand) {
  if (operand_ndim(*operand) >= 1) return operand;
  return expression_into_element_set(operand);
}

bool element_set_accepts(const Node& operand) { return operand_ndim(operand) >= 1 || range_accepts(*zero(), operand); }

// ---- Operands as expressions ------------------------------------------------------------

namespace {

/// A placeholder or element (named `word`) of dimensionality 0 as an expression.
template <class OperandNode>
Expr named_operand_into_scalar(const Expr& node, const char* word) {
  const auto& operand = as<OperandNode>(node);
  if (operand.ndim != 0) {
    raise_modeling(fmt::format("the dimensionality of the {} {{ name: {} }} must be zero, but is actually {}", word,
                               operand.name, operand.ndim));
  }
  return node;
}

}  // namespace

Expr placeholder_into_scalar(const Expr& node) { return named_operand_into_scalar<PlaceholderNode>(node, "Placeholder"); }

Expr element_into_scalar(const Expr& node) { return named_operand_into_scalar<ElementNode>(node, "Element"); }

Expr decision_var_into_scalar(const Expr& node) {
  const auto& v = as<DecisionVarNode>(node);
  if (!v.shape.empty()) {
    raise_modeling(fmt::format("the dimensionality of the {}Var {{ name: {} }} must be zero, "
                               "but is actually {}",
                               decision_var_kind_word(v.var_kind()), v.name, v.shape.size()));
  }
  return node;
}

Expr subscript_into_scalar(const Expr& node) {
  const auto& s = as<SubscriptNode>(node);
  if (s.ndim != 0) {
    raise_modeling(fmt::format("the dimensionality of the subscripted variable `{}` must be zero, "
                               "but actually {}", render(*node, PrintMode::Str), s.ndim));
  }
  return node;
}

Expr scalar_operand(const Expr& node) {
  switch (node->tag) {
    case Tag::Placeholder: return placeholder_into_scalar(node);
    case Tag::Element: return element_into_scalar(node);
    case Tag::DecisionVar: return decision_var_into_scalar(node);
    case Tag::Subscript: return subscript_into_scalar(node);
    default: return node;
  }
}

// ---- Subscripts -------------------------------------------------------------------------

std::uint64_t operand_ndim(const Node& operand) noexcept {
  switch (operand.tag) {
    case Tag::Placeholder: return as<PlaceholderNode>(operand).ndim;
    case Tag::Element: return as<ElementNode>(operand).ndim;
    case Tag::DecisionVar: return as<DecisionVarNode>(operand).shape.size();
    case Tag::Subscript: return as<SubscriptNode>(operand).ndim;
    default: return 0;
  }
}

std::string operand_display(const Node& operand) {
  switch (operand.tag) {
    case Tag::Placeholder: return as<PlaceholderNode>(operand).name;
    case Tag::Element: return as<ElementNode>(operand).name;
    case Tag::DecisionVar: return as<DecisionVarNode>(operand).name;
    case Tag::Subscript: {
      const auto& s = as<SubscriptNode>(operand);
      return operand_display(*s.variable) + expression_list_display(s.subscripts);
    }
    default: return expression_str(operand);
  }
}

Expr into_subscripted_variable(const Expr& operand) {
  if (operand_ndim(*operand) != 0) return operand;
  switch (operand->tag) {
    case Tag::Placeholder:
      raise_modeling(fmt::format("the scalar `Placeholder {{ name: {} }}` is not subscriptable",
                                 as<PlaceholderNode>(operand).name));
    case Tag::Element:
      raise_modeling(fmt::format("the scalar `Element {{ name: {} }}` is not subscriptable",
                                 as<ElementNode>(operand).name));
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(operand);
      raise_modeling(fmt::format("the scalar `{}Var {{ name: {} }}` is not subscriptable",
                                 decision_var_kind_word(v.var_kind()), v.name));
    }
    default:
      raise_modeling(fmt::format("the scalar `{}` is not subscriptable", operand_display(*operand)));
  }
}

namespace {

bool free_of_decision_variables(std::span<const Expr> subscripts) noexcept {
  return std::none_of(subscripts.begin(), subscripts.end(),
                      [](const Expr& subscript) { return contains_decision_variable(*subscript); });
}

}  // namespace

void validate_subscripts(std::span<const Expr> subscripts) {
  if (subscripts.empty()) raise_modeling("the number of subscripts is zero");
  if (!free_of_decision_variables(subscripts)) raise_modeling("a subscript contains a decision variable");
}

bool subscript_accepts(const Node& variable, std::span<const Expr> subscripts) noexcept {
  const std::uint64_t ndim = operand_ndim(variable);
  if (ndim == 0 || subscripts.empty() || !free_of_decision_variables(subscripts) || ndim < subscripts.size()) {
    return false;
  }
  // The subscripts of a subscript are joined with these and checked again.
  if (variable.tag != Tag::Subscript) return true;
  const ExprList& inner = as<SubscriptNode>(variable).subscripts;
  return free_of_decision_variables(std::span<const Expr>(inner.begin(), inner.size()));
}

Expr build_subscript(Expr variable, ExprList subscripts) {
  const std::uint64_t ndim = operand_ndim(*variable);
  if (ndim < subscripts.size()) {
    raise_modeling(fmt::format("the number of subscripts (= {}) is greater than the dimensionality "
                               "of the variable `{}` (= {})",
                               subscripts.size(), operand_display(*variable), ndim));
  }
  const std::uint64_t remaining = ndim - subscripts.size();
  if (variable->tag == Tag::Subscript) {
    const auto& inner = as<SubscriptNode>(variable);
    std::vector<Expr> joined;
    joined.reserve(inner.subscripts.size() + subscripts.size());
    joined.insert(joined.end(), inner.subscripts.begin(), inner.subscripts.end());
    joined.insert(joined.end(), subscripts.begin(), subscripts.end());
    validate_subscripts(joined);
    subscripts = ExprList(std::move(joined));
    variable = inner.variable;
  }
  return make_node<SubscriptNode>([&](SubscriptNode& s) {
    s.variable = std::move(variable);
    s.subscripts = std::move(subscripts);
    s.ndim = remaining;
  });
}

// ---- Array lengths ----------------------------------------------------------------------

Expr into_array_operand(const Expr& operand) {
  switch (operand->tag) {
    case Tag::Placeholder: {
      const auto& p = as<PlaceholderNode>(operand);
      if (p.ndim == 0) raise_modeling(fmt::format("the placeholder {} is a scalar", p.name));
      return operand;
    }
    case Tag::Element: {
      const auto& e = as<ElementNode>(operand);
      if (e.ndim == 0) raise_modeling(fmt::format("the element {} is a scalar", e.name));
      return operand;
    }
    case Tag::Subscript: {
      const auto& s = as<SubscriptNode>(operand);
      if (s.variable->tag == Tag::DecisionVar) {
        raise_modeling(fmt::format("the subscripted variable {} is a decision variable", operand_display(*operand)));
      }
      if (s.ndim == 0) {
        raise_modeling(fmt::format("the subscripted variable {} is a scalar", operand_display(*operand)));
      }
      return operand;
    }
    default: raise(ErrorKind::Type, "unsupported type");
  }
}

Expr build_array_length(Expr array, std::uint64_t axis, Text latex, Text description) {
  if (operand_ndim(*array) <= axis) {
    raise_modeling(fmt::format("axis {} is out of bounds for the axis of the array {}", axis,
                               operand_display(*array)));
  }
  return make_node<ArrayLengthNode>([&](ArrayLengthNode& n) {
    n.array = std::move(array);
    n.axis = axis;
    n.latex = std::move(latex);
    n.description = std::move(description);
  });
}

bool array_length_accepts(const Node& operand, std::uint64_t axis) noexcept {
  switch (operand.tag) {
    case Tag::Placeholder:
    case Tag::Element: return axis < operand_ndim(operand);
    case Tag::Subscript:
      return as<SubscriptNode>(operand).variable->tag != Tag::DecisionVar && axis < operand_ndim(operand);
    default: return false;
  }
}

Expr length_at(const Expr& receiver, std::uint64_t axis, Text latex, Text description) {
  if (receiver->tag == Tag::Subscript && as<SubscriptNode>(receiver).ndim == 0) {
    raise_modeling("Can't get length of a scalar");
  }
  return build_array_length(into_array_operand(receiver), axis, std::move(latex), std::move(description));
}

}  // namespace zorvane
