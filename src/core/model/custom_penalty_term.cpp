// CustomPenaltyTerm: construction, text forms and equality.
#include "core/model/custom_penalty_term.hpp"

#include "core/print/printer.hpp"

namespace zorvane {

CustomPenaltyTerm new_custom_penalty_term(std::string name, Expr expression, ForallList forall) {
  validate_forall(forall, expression_scope(*expression));
  if (!contains_decision_variable(*expression)) {
    raise_modeling("the custom penalty term does not contain a decision variable");
  }
  return CustomPenaltyTerm{std::move(name), std::move(forall), std::move(expression)};
}

std::string penalty_latex_row(const CustomPenaltyTerm& term) {
  return " & \\text{" + escape_latex_text(term.name) + "} & \\displaystyle " +
         expression_latex(*term.expression) + " & " + forall_latex(term.forall) + " \\\\";
}

std::string custom_penalty_term_text(const CustomPenaltyTerm& term) {
  std::string out = "CustomPenaltyTerm(name=\"" + term.name + "\", expression=" + expression_str(*term.expression);
  if (!term.forall.empty()) out += ", forall=" + forall_repr(term.forall);
  return out + ")";
}

bool custom_penalty_term_eq(const CustomPenaltyTerm& a, const CustomPenaltyTerm& b) {
  return a.name == b.name && expression_eq(*a.expression, *b.expression) &&
         forall_list_eq(a.forall, b.forall);
}

}  // namespace zorvane
