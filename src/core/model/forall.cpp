// Forall lists: checks, scope rule and text forms.
#include "core/model/forall.hpp"

#include "core/expression/arithmetic.hpp"
#include "core/model/walk.hpp"
#include "core/print/printer.hpp"

namespace zorvane {
namespace {

// The elements that a sum or product binds, and those used free, in the order met.
class ForallScope final : public ExpressionVisitor {
 public:
  // Meeting an element again changes nothing: it is already bound or free.
  ForallScope() : ExpressionVisitor({.element_sets = true, .once_per_node = true}) {}
  ScopeSets take() { return std::move(sets_); }

  void visit_reduction_index(const ElementNode& index) override {
    next_is_index_ = true;
    visit_element(index);
  }

  void visit_element(const ElementNode& element) override {
    Rc<const ElementNode> handle = share(element);
    if (next_is_index_) {
      sets_.bound.insert(std::move(handle));
      next_is_index_ = false;
    } else if (!sets_.bound.contains(handle)) {
      sets_.free.insert(std::move(handle));
    }
  }

 private:
  ScopeSets sets_;
  bool next_is_index_ = false;
};

std::string joined_names(const std::vector<const ElementNode*>& elements) {
  std::string out;
  for (const ElementNode* element : elements) {
    if (!out.empty()) out += ", ";
    out += element->name;
  }
  return out;
}

std::string element_latex(const ElementNode& element) { return render_latex(element); }

std::string set_latex(const Node& set) {
  if (set.tag != Tag::Range) return render_latex(set);
  const auto& range = as<RangeNode>(set);
  const Expr last = build_sub(range.end, make_number(NumericValue::of_integer(1)));
  return "\\left\\{" + expression_latex(*range.start) + ",\\ldots," + expression_latex(*last) +
         "\\right\\}";
}

}  // namespace

void check_forall_list(const ForallList& list) {
  VariableSet<ElementNode> declared;
  for (const ForallItem& item : list) {
    if (!declared.insert(item.element).second) raise_modeling("forall has duplicated indices");
    if (!item.condition) continue;
    const ScopeSets scope = condition_scope(*item.condition);
    if (scope.free.size() > declared.size()) raise_modeling("forall scope error");
    for (const auto& element : scope.free) {
      if (!declared.contains(element)) raise_modeling("forall scope error");
    }
  }
}

ScopeSets condition_scope(const Node& condition) {
  ForallScope scope;
  walk_expression(scope, condition);
  return scope.take();
}

ScopeSets expression_scope(const Node& expression) {
  ForallScope scope;
  walk_expression(scope, expression);
  return scope.take();
}

void validate_forall(const ForallList& list, const ScopeSets& scope) {
  std::vector<const ElementNode*> shared;
  for (const ForallItem& item : list) {
    if (scope.bound.contains(item.element)) shared.push_back(item.element.get());
  }
  if (!shared.empty()) {
    raise_modeling("Invalid forall -- Elements in forall list are already associated with "
                   "operators in the expression: " + joined_names(shared));
  }
  VariableSet<ElementNode> declared;
  std::vector<const ElementNode*> surplus;
  for (const ForallItem& item : list) {
    declared.insert(item.element);
    if (!scope.free.contains(item.element)) surplus.push_back(item.element.get());
  }
  std::vector<const ElementNode*> missing;
  for (const auto& element : scope.free) {
    if (!declared.contains(element)) missing.push_back(element.get());
  }
  if (surplus.empty() && missing.empty()) return;
  std::string message = "Invalid forall:";
  if (!missing.empty()) {
    message += "\nExpression contained elements not used in the forall list or any operator: " +
               joined_names(missing);
  }
  if (!surplus.empty()) {
    message += "\nForall list contained elements not in expression or already associated with "
               "operators: " + joined_names(surplus);
  }
  raise_modeling(std::move(message));
}

std::string forall_repr(const ForallList& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += ", ";
    const ForallItem& item = list[i];
    if (!item.condition) {
      out += render(*item.element, PrintMode::Str);
      continue;
    }
    out += '(';
    out += render(*item.element, PrintMode::Str);
    out += ", ";
    out += render(*item.condition, PrintMode::Str);
    out += ')';
  }
  return out + "]";
}

std::string forall_latex(const ForallList& list) {
  std::string out;
  for (const ForallItem& item : list) {
    if (!out.empty()) out += ' ';
    const std::string element = element_latex(*item.element);
    const std::string set = set_latex(*item.element->set);
    if (!item.condition) {
      out += "\\forall " + element + " \\in " + set;
    } else {
      out += "\\forall " + element + " \\in \\left\\{" + element + " \\in " + set + " \\mid " +
             render_latex(*item.condition) + " \\right\\}";
    }
  }
  return out;
}

bool forall_list_eq(const ForallList& a, const ForallList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!expression_eq(*a[i].element, *b[i].element)) return false;
    const Expr& p = a[i].condition;
    const Expr& q = b[i].condition;
    if (bool(p) != bool(q)) return false;
    if (p && !expression_eq(*p, *q)) return false;
  }
  return true;
}

}  // namespace zorvane
