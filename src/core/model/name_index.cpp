// The name index of a problem: what each entry holds, and each distinct variable by name.
#include "core/model/name_index.hpp"

#include <algorithm>

#include "core/expression/expression.hpp"
#include "core/model/walk.hpp"

namespace zorvane {
namespace {

const std::string& variable_name(const Node& variable) noexcept {
  switch (variable.tag) {
    case Tag::Placeholder: return as<PlaceholderNode>(variable).name;
    case Tag::Element: return as<ElementNode>(variable).name;
    default: return as<DecisionVarNode>(variable).name;
  }
}

bool by_name(const Expr& a, const Expr& b) { return variable_name(*a) < variable_name(*b); }

// The variables in the order the name check meets them (the same walk and hooks as
// `NameRegistry`), each node once.
class VariableScan final : public ExpressionVisitor {
 public:
  VariableScan() noexcept : ExpressionVisitor({.element_sets = true, .once_per_node = true}) {}
  void visit_placeholder(const PlaceholderNode& placeholder) override { met_.push_back(share(placeholder)); }
  void leave_element(const ElementNode& element) override { met_.push_back(share(element)); }
  void visit_decision_var(const DecisionVarNode& variable) override { met_.push_back(share(variable)); }

  NameIndex::Variables take() { return std::move(met_); }

 private:
  NameIndex::Variables met_;
};

// The variables of `entry` under `name` (a run of the sorted list).
std::pair<NameIndex::Variables::const_iterator, NameIndex::Variables::const_iterator> named(
    const NameIndex::Variables& entry, const std::string& name) {
  const auto first =
      std::partition_point(entry.begin(), entry.end(), [&](const Expr& v) { return variable_name(*v) < name; });
  const auto last =
      std::partition_point(first, entry.end(), [&](const Expr& v) { return variable_name(*v) == name; });
  return {first, last};
}

}  // namespace

NameIndex::Variables NameIndex::scan(std::initializer_list<const Node*> expressions) {
  VariableScan scan;
  for (const Node* expression : expressions) walk_expression(scan, *expression);
  Variables met = scan.take();
  std::stable_sort(met.begin(), met.end(), by_name);
  // Only the first of each distinct variable within its name is kept.
  Variables variables;
  std::size_t group = 0;  // where the current name starts in `variables`
  for (Expr& variable : met) {
    if (variables.empty() || variable_name(*variables.back()) != variable_name(*variable)) {
      group = variables.size();
    } else if (std::any_of(variables.begin() + std::ptrdiff_t(group), variables.end(),
                           [&](const Expr& kept) { return interchangeable_variables(*kept, *variable); })) {
      continue;
    }
    variables.push_back(std::move(variable));
  }
  return variables;
}

void NameIndex::clear() noexcept {
  names_.clear();
  objective_.clear();
  constraints_.clear();
  penalties_.clear();
  built_ = false;
}

const NameIndex::Variables* NameIndex::find(const EntryKey& key) const {
  const auto look = [&](const std::unordered_map<std::string, Variables>& entries) -> const Variables* {
    const auto it = entries.find(*key.key);
    return it == entries.end() ? nullptr : &it->second;
  };
  switch (key.part) {
    case EntryKey::Part::Objective: break;
    case EntryKey::Part::Constraint: return look(constraints_);
    case EntryKey::Part::Penalty: return look(penalties_);
  }
  return &objective_;
}

NameIndex::Variables& NameIndex::slot(const EntryKey& key) {
  switch (key.part) {
    case EntryKey::Part::Objective: break;
    case EntryKey::Part::Constraint: return constraints_[*key.key];
    case EntryKey::Part::Penalty: return penalties_[*key.key];
  }
  return objective_;
}

bool NameIndex::accepts(const EntryKey& key, const Variables& added) const {
  const Variables* replaced = find(key);
  for (auto group = added.begin(); group != added.end();) {
    const std::string& name = variable_name(**group);
    const auto end = std::find_if(group, added.end(), [&](const Expr& v) { return variable_name(*v) != name; });
    // The one variable that the rest of the problem holds under this name, if any.
    const Node* known = nullptr;
    if (const auto it = names_.find(name); it != names_.end()) {
      // The entry being replaced holds some of them: they do not count.
      const auto [first, last] = replaced != nullptr ? named(*replaced, name) : std::pair{added.end(), added.end()};
      for (const Distinct& distinct : it->second) {
        const bool replaced_holds = std::any_of(first, last, [&](const Expr& v) {
          return interchangeable_variables(*v, *distinct.variable);
        });
        if (distinct.entries == (replaced_holds ? 1 : 0)) continue;
        if (known != nullptr) return false;
        known = distinct.variable.get();
      }
    }
    // Otherwise the entry's own first variable is what its later ones are compared with. The
    // full check compares with the first one met in the rest, which is interchangeable with
    // `known`, so it answers alike.
    const Node& reference = known != nullptr ? *known : **group;
    for (auto v = known != nullptr ? group : group + 1; v != end; ++v) {
      if ((*v)->tag != reference.tag || !same_variable(reference, **v)) return false;
    }
    group = end;
  }
  return true;
}

void NameIndex::count(const Node& variable) {
  std::vector<Distinct>& distinct = names_[variable_name(variable)];
  for (Distinct& known : distinct) {
    if (interchangeable_variables(*known.variable, variable)) {
      ++known.entries;
      return;
    }
  }
  distinct.push_back({share(variable), 1});
}

void NameIndex::uncount(const Node& variable) {
  const auto it = names_.find(variable_name(variable));
  std::vector<Distinct>& distinct = it->second;
  const auto known = std::find_if(distinct.begin(), distinct.end(), [&](const Distinct& d) {
    return interchangeable_variables(*d.variable, variable);
  });
  if (--known->entries == 0) distinct.erase(known);
  if (distinct.empty()) names_.erase(it);
}

void NameIndex::record(const EntryKey& key, Variables variables) {
  try {
    Variables& entry = slot(key);
    // Counted before the old ones are uncounted, so a variable kept by the entry stays put.
    for (const Expr& variable : variables) count(*variable);
    for (const Expr& variable : entry) uncount(*variable);
    entry = std::move(variables);
  } catch (...) {
    clear();
    throw;
  }
}

}  // namespace zorvane
