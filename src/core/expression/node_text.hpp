// The texts of nodes that messages quote. The builders' messages need them, and the printer above
// expression/ makes them: they are declared here, so that no builder includes print/, and defined
// in print/printer.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/expression/node.hpp"

namespace zorvane {

enum class PrintMode : std::uint8_t { Str, Repr, Latex };

/// A class's own form: the node printed as it is, never parenthesised.
std::string render(const Node& node, PrintMode mode);
/// The text of an expression inside messages and other texts: the node is its own parent, so
/// a top-level power or remainder is parenthesised.
std::string expression_str(const Node& node);
/// "[a, b]": the str forms of a list of expressions.
std::string expression_list_display(std::span<const Expr> items);
/// "Binary", "Integer", ...: the word that messages follow with "Var".
const char* decision_var_kind_word(DecisionVarKind kind) noexcept;

}  // namespace zorvane
