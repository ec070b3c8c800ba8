// The one printer: every node as plain text (str), constructor-like text (repr) or LaTeX. It runs
// on the one tree walk, so printing works at any depth on any thread and can be interrupted.
// Its entries that messages quote (`render`, `expression_str`, ...) are in expression/node_text.hpp.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression/expression.hpp"
#include "core/expression/node_text.hpp"

namespace zorvane {

/// LaTeX entry: the node's own LaTeX string when set, else the generated LaTeX.
std::string render_latex(const Node& node);
/// `expression_str` in the repr form.
std::string expression_repr(const Node& node);
/// LaTeX of an expression as it appears inside larger texts (own string, else generated).
std::string expression_latex(const Node& node);
/// LaTeX of a decision variable's bound: an expression's LaTeX (its own string included), an
/// array placeholder's name, a subscript's LaTeX.
std::string bound_latex(const Bound& bound);
/// The rows that describe one decision variable in a problem's LaTeX array, e.g.
/// "& k & 1\text{-dim integer variable}& \text{count}\\ & & \text{lower bound: }0 & \\ & & "
/// "\text{upper bound: }N & \\". A BinaryVar has no bound rows; the description is escaped.
std::string decision_var_rows_latex(const DecisionVarNode& variable);
/// Free text placed inside `\text{...}`, with LaTeX's special characters escaped.
std::string escape_latex_text(std::string_view text);

}  // namespace zorvane
