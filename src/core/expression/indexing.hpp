// Ranges, elements, subscripts and array lengths: the values behind the index objects, and the
// checks each one passes when it is built. Model code only; the classes live under operand/.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

// ---- Ranges and elements ----------------------------------------------------------------

/// The half-open interval [start, end). Two number-literal bounds must be ordered (ValueError
/// "`Range.start` (= 3) is larger than `Range.end` (= 1)" or "... is equal to ..."); then
/// neither bound may contain a decision variable (ModelingError, the lower bound first).
/// Symbolic bounds are never compared.
Expr build_range(Expr start, Expr end);
/// Whether `build_range` takes these bounds: its checks without their messages, for a caller
/// that must know before it builds (as a reader that tries records ahead of need).
bool range_accepts(const Node& start, const Node& end) noexcept;

/// An element over `set` (a range, or a placeholder, element or subscript with ndim >= 1);
/// its ndim is one less than the set's dimensionality, 0 for a range. Cannot fail.
Rc<const ElementNode> make_element(std::string name, Expr set, Text description, Text latex);

/// The range from the integer 0 to `end`, with the checks of `build_range`.
Expr expression_into_element_set(Expr end);
/// A placeholder, element or subscript as a set: itself when it has an axis, otherwise the
/// range from 0 to it.
Expr operand_into_element_set(const Expr& operand);
/// Whether `operand_into_element_set` takes `operand`.
bool element_set_accepts(const Node& operand);

// ---- Operands as expressions ------------------------------------------------------------

/// The scalar checks of operands used as expressions: ModelingError "the dimensionality of the
/// Placeholder { name: p } must be zero, but is actually 1" (and the like) when not
/// zero-dimensional. `scalar_operand` applies the check of the node's own kind (none for most).
Expr scalar_operand(const Expr& node);
Expr placeholder_into_scalar(const Expr& node);
Expr element_into_scalar(const Expr& node);
Expr decision_var_into_scalar(const Expr& node);
Expr subscript_into_scalar(const Expr& node);

// ---- Subscripts -------------------------------------------------------------------------

/// Dimensionality of a placeholder, element, decision variable or subscript (remaining axes).
std::uint64_t operand_ndim(const Node& operand) noexcept;
/// How messages name an operand: a placeholder's, element's or decision variable's name; for a
/// subscript its variable's display followed by "[i, j + 1]" (the str forms of its subscripts).
std::string operand_display(const Node& operand);

/// The scalar check of a value about to be subscripted: ModelingError "the scalar
/// `Placeholder { name: p }` is not subscriptable" (and the like) when it has no axis.
Expr into_subscripted_variable(const Expr& operand);
/// ModelingError "the number of subscripts is zero" for an empty list, "a subscript contains a
/// decision variable" for the first subscript that does.
void validate_subscripts(std::span<const Expr> subscripts);
/// Joins a subscripted variable and its subscripts. More subscripts than axes is a
/// ModelingError; a subscript of a subscript is flattened (`p[i][j]` is `p[i, j]`, the inner
/// subscript's own LaTeX dropped) and the joined list validated again.
Expr build_subscript(Expr variable, ExprList subscripts);
/// Whether `into_subscripted_variable` takes `variable`, and `validate_subscripts` and then
/// `build_subscript` take it subscripted by `subscripts`.
bool subscript_accepts(const Node& variable, std::span<const Expr> subscripts) noexcept;

// ---- Array lengths ----------------------------------------------------------------------

/// A placeholder, element or subscript (not of a decision variable) with ndim >= 1, as the
/// array of a length; ModelingError otherwise ("the placeholder a is a scalar", ...).
Expr into_array_operand(const Expr& operand);
/// ModelingError "axis 2 is out of bounds for the axis of the array a" unless axis < ndim.
Expr build_array_length(Expr array, std::uint64_t axis, Text latex, Text description);
/// Whether `into_array_operand` takes `operand`, and `build_array_length` then its `axis`.
bool array_length_accepts(const Node& operand, std::uint64_t axis) noexcept;
/// `len_at` of a placeholder, element or subscript: the operand check (a scalar subscript is
/// refused first with "Can't get length of a scalar"), then the axis check.
Expr length_at(const Expr& receiver, std::uint64_t axis, Text latex, Text description);

}  // namespace zorvane
