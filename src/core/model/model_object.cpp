// Walking the values that extract_nodes and extract_variables accept.
#include "core/model/model_object.hpp"

namespace zorvane {
namespace {

struct Walker {
  ExpressionVisitor& visitor;
  void operator()(const Expr& expression) const { walk_expression(visitor, *expression); }
  void operator()(const ConditionValue& condition) const { walk_expression(visitor, *condition.node); }
  void operator()(const Problem& problem) const {
    walk_expression(visitor, *problem.objective);
    for (const auto& [name, constraint] : problem.constraints) walk_constraint(visitor, constraint);
    for (const auto& [name, term] : problem.custom_penalty_terms) walk_custom_penalty_term(visitor, term);
  }
  void operator()(const Constraint& constraint) const { walk_constraint(visitor, constraint); }
  void operator()(const CustomPenaltyTerm& term) const { walk_custom_penalty_term(visitor, term); }
  void operator()(const ForallList& list) const {
    for (const ForallItem& item : list) walk_forall_item(visitor, item);
  }
};

}  // namespace

void walk_model_object(ExpressionVisitor& visitor, const ModelObject& object) {
  std::visit(Walker{visitor}, object);
}

}  // namespace zorvane
