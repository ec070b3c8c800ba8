// The LaTeX rows that describe a decision variable in a problem's LaTeX (no Python class shows
// them on their own).
#include <cassert>
#include <cstdio>
#include <string>

#include "core/expression/decision_var.hpp"
#include "core/print/printer.hpp"

using namespace zorvane;

namespace {

Expr placeholder(const char* name, std::uint64_t ndim, Text latex = std::nullopt) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) {
    p.name = name;
    p.ndim = ndim;
    p.latex = std::move(latex);
  });
}

Expr integer(std::int64_t value) { return make_number(NumericValue::of_integer(value)); }

const DecisionVarNode& record(const Expr& node) { return as<DecisionVarNode>(node); }

void expect(const std::string& got, const std::string& want) {
  if (got != want) {
    std::fprintf(stderr, "got:  %s\nwant: %s\n", got.c_str(), want.c_str());
    assert(false);
  }
}

}  // namespace

int main() {
  // An IntegerVar with one shape entry, a description and two expression bounds.
  const Expr k = build_decision_var(DecisionVarKind::Integer, "k", {placeholder("n", 0)},
                                  bound_from_expression(integer(0)),
                                  bound_from_expression(placeholder("N", 0)), "count", std::nullopt);
  expect(decision_var_rows_latex(record(k)),
         "& k & 1\\text{-dim integer variable}& \\text{count}\\\\ & & \\text{lower bound: }0 & \\\\ & & "
         "\\text{upper bound: }N & \\\\");

  // A BinaryVar has no bound rows.
  const Expr z = build_decision_var(DecisionVarKind::Binary, "z", {}, binary_var_lower_bound(),
                                  binary_var_upper_bound(), std::nullopt, std::nullopt);
  expect(decision_var_rows_latex(record(z)), "& z & 0\\text{-dim binary variable}\\\\");

  // Descriptions are text: LaTeX's special characters are escaped.
  const Expr d = build_decision_var(DecisionVarKind::Binary, "x_1", {}, binary_var_lower_bound(),
                                  binary_var_upper_bound(), "50% of a_b & {c}", std::nullopt);
  expect(decision_var_rows_latex(record(d)),
         "& x_1 & 0\\text{-dim binary variable}& \\text{50\\% of a\\_b \\& \\{c\\}}\\\\");

  // An array-placeholder bound prints its name even with its own LaTeX; an expression bound
  // prints its own LaTeX.
  const Expr c = build_decision_var(DecisionVarKind::SemiContinuous, "c", {integer(3)},
                                  bound_from_placeholder(placeholder("lb", 1, "L")),
                                  bound_from_expression(placeholder("ub", 0, "U")), std::nullopt, std::nullopt);
  expect(decision_var_rows_latex(record(c)),
         "& c & 1\\text{-dim semi-continuous variable}\\\\ & & \\text{lower bound: }lb & \\\\ & & "
         "\\text{upper bound: }U & \\\\");
  for (DecisionVarKind kind : {DecisionVarKind::Continuous, DecisionVarKind::SemiInteger}) {
    const Expr v = build_decision_var(kind, "v", {}, bound_from_expression(integer(-1)),
                                    bound_from_expression(integer(1)), std::nullopt, std::nullopt);
    const std::string rows = decision_var_rows_latex(record(v));
    const std::string word = kind == DecisionVarKind::Continuous ? "continuous" : "semi-integer";
    expect(rows, "& v & 0\\text{-dim " + word + " variable}\\\\ & & \\text{lower bound: }(-1) & \\\\ & & "
                 "\\text{upper bound: }1 & \\\\");
  }
  std::puts("decision-variable rows: ok");
  return 0;
}
