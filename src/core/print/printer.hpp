// The one printer: every node as plain text (str), constructor-like text (repr) or LaTeX. It runs
// on the one tree walk, so printing works at any depth on any thread and can be interrupted.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression/expression.hpp"

namespace zorvane {

enum class PrintMode : std::uint8_t { Str, Repr, Latex };

/// A class's own form: the node printed as it is, never parenthesised.
std::string render(const Node& node, PrintMode mode);
/// LaTeX entry: the node's own LaTeX string when set, else the generated LaTeX.
std::string render_latex(const Node& node);
/// The text of an expression inside messages and other texts: the node is its own parent, so
/// a top-level power or remainder is parenthesised.
std::string expression_str(const Node& node);
std::string expression_repr(const Node& node);
/// LaTeX of an expression as it appears inside larger texts (own string, else generated).
std::string expression_latex(const Node& node);
/// "[a, b]": the str forms of a list of expressions.
std::string expression_list_display(std::span<const Expr> items);
/// LaTeX of a decision variable's bound: an expression's LaTeX (its own string included), an
/// array placeholder's name, a subscript's LaTeX.
std::string bound_latex(const Bound& bound);
/// The rows that describe one decision variable in a problem's LaTeX array, e.g.
/// "& k & 1\text{-dim integer variable}& \text{count}\\ & & \text{lower bound: }0 & \\ & & "
/// "\text{upper bound: }N & \\". A BinaryVar has no bound rows; the description is escaped.
std::string decision_var_rows_latex(const DecisionVarNode& variable);
/// Free text placed inside `\text{...}`, with LaTeX's special characters escaped.
std::string escape_latex_text(std::string_view text);
/// "Binary", "Integer", ...: the word that messages follow with "Var".
const char* decision_var_kind_word(DecisionVarKind kind) noexcept;

}  // namespace zorvane
