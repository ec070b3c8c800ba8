// The LaTeX form of a whole problem, as one array for notebooks.
#include <array>
#include <map>
#include <utility>

#include "core/model/problem.hpp"
#include "core/model/walk.hpp"
#include "core/print/printer.hpp"

namespace zorvane {
namespace {

// The decision variables of a model, one set per kind, ordered by number of dimensions and
// then by name; a variable whose dimensions and name are already there is not added again.
class DecisionVarCollector final : public ExpressionVisitor {
 public:
  using Key = std::pair<std::size_t, std::string>;
  using Set = std::map<Key, Rc<const DecisionVarNode>>;

  DecisionVarCollector() noexcept : ExpressionVisitor({.once_per_node = true}) {}

  void visit_decision_var(const DecisionVarNode& variable) override {
    sets_[std::size_t(variable.var_kind())].try_emplace(Key{variable.shape.size(), variable.name},
                                                        share(variable));
  }

  bool empty() const noexcept {
    for (const Set& set : sets_) {
      if (!set.empty()) return false;
    }
    return true;
  }
  const std::array<Set, kDecisionVarKindCount>& sets() const noexcept { return sets_; }

 private:
  std::array<Set, kDecisionVarKindCount> sets_;
};

}  // namespace

std::string problem_latex(const Problem& problem) {
  DecisionVarCollector collector;
  walk_expression(collector, *problem.objective);
  for (const auto& [name, constraint] : problem.constraints) {
    walk_expression(collector, *constraint.left);
    walk_expression(collector, *constraint.right);
  }
  for (const auto& [name, term] : problem.custom_penalty_terms) {
    walk_expression(collector, *term.expression);
  }

  std::string out = "\\begin{array}{cccc}\n\\text{Problem:} & \\text{";
  out += escape_latex_text(problem.name);
  out += "} & & \\\\\n& & ";
  out += problem.sense == ProblemSense::Maximize ? "\\max" : "\\min";
  out += " \\quad \\displaystyle ";
  out += expression_latex(*problem.objective);
  out += " & \\\\\n";
  if (!problem.constraints.empty()) {
    out += "\\text{s.t.} & & & \\\\";
    for (const auto& [name, constraint] : problem.constraints) out += constraint_latex_row(constraint);
  }
  out += '\n';
  if (!problem.custom_penalty_terms.empty()) {
    out += "\\text{penalty terms} & & & \\\\";
    for (const auto& [name, term] : problem.custom_penalty_terms) out += penalty_latex_row(term);
  }
  out += '\n';
  if (!collector.empty()) out += "\\text{{where}} & & & \\\\";
  out += '\n';
  bool first = true;
  for (const DecisionVarCollector::Set& set : collector.sets()) {
    if (!first) out += '\n';
    first = false;
    for (const auto& [key, variable] : set) out += decision_var_rows_latex(*variable);
  }
  out += "\n\\end{array}";
  return out;
}

}  // namespace zorvane
