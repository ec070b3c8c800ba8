// Constraint: construction, text forms and equality.
#include "core/model/constraint.hpp"

#include "core/expression/arithmetic.hpp"
#include "core/print/printer.hpp"

namespace zorvane {
namespace {

constexpr const char* kInvalidRelation =
    "Invalid constraint -- conditional must be a valid equality or non-strict inequality (==, >=, "
    "or <= only)";

ComparisonKind comparison_kind(ConstraintSense sense) noexcept {
  switch (sense) {
    case ConstraintSense::Equal: return ComparisonKind::Equal;
    case ConstraintSense::LessThanEqual: return ComparisonKind::LessThanEqual;
    case ConstraintSense::GreaterThanEqual: return ComparisonKind::GreaterThanEqual;
  }
  return ComparisonKind::Equal;
}

ConstraintSense sense_of(const Node& condition) {
  if (condition.tag == Tag::Comparison) {
    switch (as<ComparisonNode>(condition).op()) {
      case ComparisonKind::Equal: return ConstraintSense::Equal;
      case ComparisonKind::LessThanEqual: return ConstraintSense::LessThanEqual;
      case ComparisonKind::GreaterThanEqual: return ConstraintSense::GreaterThanEqual;
      default: break;
    }
  }
  raise_modeling(kInvalidRelation);
}

}  // namespace

Constraint new_constraint(std::string name, const Expr& condition, ForallList forall) {
  validate_forall(forall, condition_scope(*condition));
  const ConstraintSense sense = sense_of(*condition);
  const auto& comparison = as<ComparisonNode>(condition);
  // The left side is tested first, the right one only when the left has none.
  if (!contains_decision_variable(*comparison.left) && !contains_decision_variable(*comparison.right)) {
    raise_modeling("expression does not contain a decision variable");
  }
  return Constraint{std::move(name), std::move(forall), comparison.left, comparison.right, sense};
}

Expr sense_comparison(ConstraintSense sense, Expr left, Expr right) {
  return make_comparison(comparison_kind(sense), std::move(left), std::move(right));
}

Expr constraint_condition(const Constraint& constraint) {
  return sense_comparison(constraint.sense, constraint.left, constraint.right);
}

std::string constraint_latex_row(const Constraint& constraint) {
  return " & \\text{" + escape_latex_text(constraint.name) + "} & \\displaystyle " +
         render_latex(*constraint_condition(constraint)) + " & " + forall_latex(constraint.forall) +
         " \\\\";
}

std::string constraint_text(const Constraint& constraint) {
  std::string out = "Constraint(name=\"" + constraint.name + "\", expression=" +
                    render(*constraint_condition(constraint), PrintMode::Str);
  if (!constraint.forall.empty()) out += ", forall=" + forall_repr(constraint.forall);
  return out + ")";
}

bool constraint_eq(const Constraint& a, const Constraint& b) {
  return a.name == b.name && a.sense == b.sense && expression_eq(*a.left, *b.left) &&
         expression_eq(*a.right, *b.right) && forall_list_eq(a.forall, b.forall);
}

}  // namespace zorvane
