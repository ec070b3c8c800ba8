// Forall lists: the elements (each with an optional condition) over which a constraint or a
// custom penalty term is quantified, their checks and text forms.
#pragma once

#include <string>
#include <vector>

#include "core/expression/node.hpp"
#include "core/expression/node_set.hpp"

namespace zorvane {

struct ForallItem {
  Rc<const ElementNode> element;
  Expr condition;  ///< a Comparison or Logical node, or null
};

/// In the user's order; no element twice; each condition uses only elements declared at or
/// before its own item.
using ForallList = std::vector<ForallItem>;

/// ModelingError "forall has duplicated indices" or "forall scope error".
void check_forall_list(const ForallList& list);

/// Elements bound by a sum or product, and elements used free (not bound at that moment). Every
/// set of elements here, the lists' too, is by `same_variable`: an element whose set holds a NaN
/// is still itself.
struct ScopeSets {
  VariableSet<ElementNode> bound;
  VariableSet<ElementNode> free;
};
ScopeSets condition_scope(const Node& condition);
ScopeSets expression_scope(const Node& expression);
/// The forall list must hold exactly the free elements, none of them bound: the "Invalid
/// forall" ModelingErrors otherwise.
void validate_forall(const ForallList& list, const ScopeSets& scope);

/// "[i, (j, j != i)]"
std::string forall_repr(const ForallList& list);
/// The items' LaTeX joined by one space; empty for an empty list.
std::string forall_latex(const ForallList& list);

/// Items pairwise equal: elements equal, conditions both absent or both present and equal.
bool forall_list_eq(const ForallList& a, const ForallList& b);

}  // namespace zorvane
