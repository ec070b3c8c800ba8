// Decision-variable description rows of a problem's LaTeX form.
#include "print/decision_var_rows.hpp"

#include <array>

#include "print/printer.hpp"

namespace zorvane {
namespace {

std::string bound_latex(const Bound& bound) {
  if (!bound.node) return {};
  switch (bound.kind) {
    case Bound::Kind::Expression: return expression_latex(*bound.node);
    case Bound::Kind::Placeholder: return as<PlaceholderNode>(bound.node).name;
    case Bound::Kind::Subscript: return render_latex(*bound.node);
  }
  return {};
}

}  // namespace

std::string write_decision_var_description(const DecisionVarNode& variable) {
  constexpr std::array<const char*, 5> kWords{"binary", "integer", "continuous", "semi-integer",
                                              "semi-continuous"};
  std::string out = "& " + variable.name + " & " + std::to_string(variable.shape.size()) +
                    "\\text{-dim " + kWords[std::size_t(variable.var_kind())] + " variable}";
  // Descriptions are free text: escaped, so a `%` or `_` cannot break the array.
  if (variable.description) out += "& \\text{" + escape_latex_text(*variable.description) + "}";
  if (variable.var_kind() != DecisionVarKind::Binary) {
    out += "\\\\ & & \\text{lower bound: }" + bound_latex(variable.lower_bound) +
           " & \\\\ & & \\text{upper bound: }" + bound_latex(variable.upper_bound) + " & ";
  }
  return out + "\\\\";
}

}  // namespace zorvane
