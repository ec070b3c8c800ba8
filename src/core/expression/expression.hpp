// Read-only questions about expression trees shared by builders, printer and analyses.
#pragma once

#include "core/expression/node.hpp"

namespace zorvane {

/// The printer's view of a node: its tag and its own kind byte (0 where it has none).
struct NodeKind {
  Tag tag;
  std::uint8_t kind;
  friend bool operator==(NodeKind, NodeKind) = default;
};

NodeKind node_kind(const Node& node) noexcept;
/// The node's own LaTeX string. Always absent for a number literal and for a subscript (whose
/// string is read by the subscript printer itself).
const Text& latex_field(const Node& node) noexcept;
/// True when the node carries its own LaTeX string, an empty one included.
inline bool has_latex(const Node& node) noexcept { return node.own_latex; }
/// A copy of `node` with its own LaTeX string replaced (only this node is copied; its children
/// are shared). Only for nodes that carry one.
Expr with_latex(const Node& node, Text latex);
/// Integer 0 or a Float equal to 0.0 (-0.0 too, NaN never).
bool is_zero_literal(const Node& node) noexcept;
/// The literal's value when the node is a number literal.
const NumericValue* literal_value(const Node& node) noexcept;
/// Whether a decision variable occurs anywhere in the tree, except inside an element's set
/// (known from the node's construction: O(1)).
inline bool contains_decision_variable(const Node& node) noexcept { return node.has_decision_var; }
/// Structural equality. Never short-cuts on identity: a NaN literal is unequal to itself.
bool expression_eq(const Node& a, const Node& b);
/// Whether two placeholders, elements, array lengths or decision variables are the same
/// variable, the one rule of the name check of a problem and of `extract_variables`: their
/// definitions are identical, that is `expression_eq` with a NaN equal to a NaN in the same place
/// (numbers otherwise by value: 10 and 10.0 alike, 0.0 and -0.0 alike). So the answer never
/// depends on whether a node is shared, copied or read back from bytes. Short-cuts on identity.
bool same_variable(const Node& a, const Node& b);
/// True when `same_variable` answers alike for `a` and for `b` against any node: `same_variable`
/// with an Integer of magnitude 2^53 or more equal to that Integer only (several of them round
/// to one double, so there `same_variable` is not transitive). An equivalence; by value
/// elsewhere, so 10 and 10.0 are interchangeable. Short-cuts on identity.
bool interchangeable_variables(const Node& a, const Node& b);

}  // namespace zorvane
