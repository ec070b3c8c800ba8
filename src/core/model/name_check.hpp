// One name, one variable: the registry of the named variables of a problem and the check of a
// new expression against it.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/model/walk.hpp"

namespace zorvane {

/// Placeholders, elements (their sets first) and decision variables by name, the first one
/// met under a name kept. Filled by walking expressions with it.
class NameRegistry final : public ExpressionVisitor {
 public:
  /// A node met again names nothing new (the first meeting settled it).
  NameRegistry() noexcept : ExpressionVisitor({.element_sets = true, .once_per_node = true}) {}
  void visit_placeholder(const PlaceholderNode& placeholder) override;
  /// After its set: the names in an element's set are met before the element's own.
  void leave_element(const ElementNode& element) override;
  void visit_decision_var(const DecisionVarNode& variable) override;

  /// Walks `expressions` one after the other, comparing instead of only recording (what one
  /// records is known to the next); stops after the first that conflicts. Returns the names
  /// that stand for two different variables, in the order found, each once.
  std::vector<std::string> check(std::initializer_list<const Node*> expressions);

 private:
  void meet(const std::string& name, const Node& variable);

  std::unordered_map<std::string, Expr> variables_;
  std::vector<std::string> conflicts_;
  bool checking_ = false;
};

/// ModelingError "Duplicated name -- different variables share the same name(s): a, b".
[[noreturn]] void raise_duplicated_name(const std::vector<std::string>& names);

}  // namespace zorvane
