// The name registry and the name-conflict check of `Problem.__iadd__`.
#include "core/model/name_check.hpp"

#include <algorithm>

#include "core/expression/expression.hpp"

namespace zorvane {

void NameRegistry::meet(const std::string& name, const Node& variable) {
  auto [entry, inserted] = variables_.try_emplace(name);
  if (inserted) {
    entry->second = share(variable);
    return;
  }
  if (!checking_) return;
  // A placeholder and an element of one name differ whatever their fields; within one kind
  // the defining fields decide (names, dimensions, sets, shapes, bounds; never LaTeX strings
  // or descriptions), by `same_variable`: numbers by value and a NaN equal to a NaN in the
  // same place, so that sharing, copying or reading back never changes the answer.
  const Node& known = *entry->second;
  if (known.tag == variable.tag && same_variable(known, variable)) return;
  if (std::find(conflicts_.begin(), conflicts_.end(), name) == conflicts_.end()) {
    conflicts_.push_back(name);
  }
}

void NameRegistry::visit_placeholder(const PlaceholderNode& placeholder) {
  meet(placeholder.name, placeholder);
}

void NameRegistry::leave_element(const ElementNode& element) { meet(element.name, element); }

void NameRegistry::visit_decision_var(const DecisionVarNode& variable) { meet(variable.name, variable); }

std::vector<std::string> NameRegistry::check(std::initializer_list<const Node*> expressions) {
  checking_ = true;
  conflicts_.clear();
  // Every node of the new expressions is compared, also one that the rest of the problem holds
  // too: it need not be the first met under its name (a problem read from bytes may hold two
  // variables under one name).
  walked() = {};
  for (const Node* expression : expressions) {
    walk_expression(*this, *expression);
    if (!conflicts_.empty()) break;
  }
  checking_ = false;
  return std::move(conflicts_);
}

void raise_duplicated_name(const std::vector<std::string>& names) {
  std::string message = "Duplicated name -- different variables share the same name(s): ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) message += ", ";
    message += names[i];
  }
  raise_modeling(std::move(message));
}

}  // namespace zorvane
