// The decision-variable record behind the five variable classes: bounds, their checks, and the
// values a slice-subscripted variable is made of. Model code only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

/// The fixed bounds of every BinaryVar: the integer literals 0 and 1.
Bound binary_var_lower_bound();
Bound binary_var_upper_bound();

Bound bound_from_expression(Expr expression);
/// An array placeholder as a bound; ModelingError "the placeholder is a scalar" for ndim 0.
Bound bound_from_placeholder(Expr placeholder);
/// A subscript of a placeholder with axes left; ModelingError "the subscripted variable is a
/// scalar", then "only a subscripted placeholder can be used as the bound of a decision variable".
Bound bound_from_subscript(Expr subscript);
/// Whether `bound_from_placeholder` (kind Placeholder) or `bound_from_subscript` (Subscript) takes
/// `node`; any expression is a bound.
bool bound_accepts(Bound::Kind kind, const Node& node) noexcept;
/// The bound that one of the two functions above makes of `node`, or nothing where both would
/// refuse it (any other node included): a reading among several, without an error.
std::optional<Bound> array_bound(const Expr& node);
/// 0 for an expression bound; the axes of a placeholder or subscript bound.
std::uint64_t bound_ndim(const Bound& bound) noexcept;

/// A new variable of `kind`. Each bound must have 0 axes or as many as the shape, checked lower
/// bound first; the texts are the class's own (e.g. "the number of dimensions of a lower bound
/// (= 2) must be equal to zero or the number of a continuous variable (= 1)").
Expr build_decision_var(DecisionVarKind kind, std::string name, std::vector<Expr> shape, Bound lower,
                      Bound upper, Text description, Text latex);

/// `x / divisor` for a variable x: the variable must be a scalar and the divisor free of decision
/// variables ("Cannot divide a BinaryVar named \"x\" by a decision variable or ...").
Expr decision_var_true_divide(const Expr& variable, Expr divisor);
/// `dividend / x`: always refused ("Cannot use a BinaryVar named \"x\" as a divisor ...").
[[noreturn]] void decision_var_reflected_true_divide(const Expr& variable, const Node& dividend);

/// A decision variable subscripted with slices: every slice replaced by a generated element.
struct DummyIndexed {
  Expr variable;                                 ///< a DecisionVar node
  std::vector<Expr> subscripts;                  ///< one per key item
  std::vector<Rc<const ElementNode>> dummy_indices;  ///< one per slice, in key order
};

/// The element that stands for the slice at key position `position` of `variable`: named
/// "__dummy_x_0", over [start, stop) (the range checks apply), LaTeX "\ast_{0}", described
/// "dummy index at 0 for x".
Rc<const ElementNode> dummy_index(const DecisionVarNode& variable, std::size_t position, Expr start, Expr stop);
/// ModelingError "The 1-th subscript of the BinaryVar named 'x' uses a slice with a step `2`. ..."
[[noreturn]] void refuse_slice_step(const DecisionVarNode& variable, std::size_t position, const Node& step);
/// The refusal of a slice whose omitted stop would be read from an axis the variable does not
/// have; the texts `sum` and `prod` give for such keys (scalar variable, too many subscripts).
[[noreturn]] void refuse_missing_axis(const Expr& variable, std::size_t key_length);
/// The scalar subscript that `sum` and `prod` reduce: the variable subscripted by every item.
/// ModelingError when the variable is a scalar, has fewer axes than items, or has axes left.
Expr dummy_indexed_operand(const DummyIndexed& value);

}  // namespace zorvane
