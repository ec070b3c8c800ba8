// The one printer: every node as plain text (str), constructor-like text (repr) or LaTeX.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/expression/expression.hpp"

namespace zorvane {

enum class PrintMode : std::uint8_t { Str, Repr, Latex };

/// One rendering: the kinds of the enclosing nodes (the last is the parent that decides
/// parentheses), the output and the mode. Recursion depth is bounded by the tree height.
class Printer {
 public:
  explicit Printer(PrintMode mode) noexcept : mode_(mode) {}

  /// Prints a child: its own LaTeX string in LaTeX mode, else parenthesised by (child, parent).
  void write_operand(const Node& child);
  /// Prints a node by its kind, without parentheses around it.
  void write_node(const Node& node);
  /// A comparison or logical combination; pushes nothing.
  void write_conditional(const Node& node);
  void push(NodeKind kind) { stack_.push_back(kind); }
  void pop() noexcept {
    if (!stack_.empty()) stack_.pop_back();
  }
  std::string take() noexcept { return std::move(out_); }

 private:
  bool latex() const noexcept { return mode_ == PrintMode::Latex; }
  bool needs_parens(const Node& child) const noexcept;
  void open_paren() { out_ += latex() ? "\\left(" : "("; }
  void close_paren() { out_ += latex() ? "\\right)" : ")"; }
  void quoted_field(std::string_view key, std::string_view value);
  void write_repr_tail(const Text& latex, const Text& description);
  void write_joined(const std::vector<Expr>& items, std::string_view separator);
  void write_joined(const TermList& items, std::string_view separator);
  void write_mul_factors(const TermList& factors, std::size_t first);
  void write_add(const TermList& terms);
  void strip_trailing_plus() noexcept;

  void write_number_lit(const NumberLitNode& node);
  void write_placeholder(const PlaceholderNode& node);
  void write_element(const ElementNode& node);
  void write_element_set(const Node& set);
  void write_set_display(const Node& set);
  void write_decision_var(const DecisionVarNode& node);
  void write_bound(const Bound& bound);
  void write_subscript(const SubscriptNode& node);
  void write_subscript_base(const Node& base);
  void write_array_length(const ArrayLengthNode& node);
  void write_unary(const UnaryNode& node);
  void write_binary(const BinaryNode& node);
  void write_commutative(const CommutativeNode& node);
  void write_reduction(const ReductionNode& node);
  void write_comparison(const ComparisonNode& node);
  void write_logical(const LogicalNode& node);

  std::vector<NodeKind> stack_;
  std::string out_;
  PrintMode mode_;
};

/// A class's own form: the node's kind pushed, the node printed (never parenthesised).
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
std::string expression_list_display(const std::vector<Expr>& items);
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
