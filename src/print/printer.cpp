// The one printer: one walk, three modes. Modes differ in token tables and a few hooks.
#include "print/printer.hpp"

#include <array>

#include "lib/stack.hpp"
#include "model/expression/arithmetic.hpp"
#include "print/number_text.hpp"

namespace zorvane {
namespace {

// ---- Parentheses: a (child, parent) table of kind classes. ----

enum class ParentClass : std::uint8_t { UnaryLog, UnaryOther, Pow, Mod, Add, Mul, MinMax, Reduction, Other };
enum class ChildClass : std::uint8_t { Add, Mul, Pow, Mod, Reduction, Other };
enum Paren : std::uint8_t { No, Yes, LatexOnly };

constexpr std::array<std::array<Paren, 9>, 5> kParens{{
    // UnaryLog   UnaryOther Pow  Mod  Add Mul  MinMax Reduction Other
    {LatexOnly, No, Yes, Yes, No, Yes, No, Yes, No},  // Add
    {LatexOnly, No, Yes, Yes, No, No, No, No, No},    // Mul
    {LatexOnly, No, Yes, No, No, No, No, Yes, No},    // Pow
    {LatexOnly, No, Yes, Yes, No, Yes, No, Yes, No},  // Mod
    {LatexOnly, No, Yes, No, No, No, No, No, No},     // Sum, Prod
}};

ParentClass parent_class(NodeKind kind) noexcept {
  switch (kind.tag) {
    case Tag::UnaryOp: {
      const auto op = UnaryKind(kind.kind);
      const bool log = op == UnaryKind::Ln || op == UnaryKind::Log10 || op == UnaryKind::Log2;
      return log ? ParentClass::UnaryLog : ParentClass::UnaryOther;
    }
    case Tag::BinaryOp: return BinaryKind(kind.kind) == BinaryKind::Pow ? ParentClass::Pow : ParentClass::Mod;
    case Tag::CommutativeOp:
      switch (CommutativeKind(kind.kind)) {
        case CommutativeKind::Add: return ParentClass::Add;
        case CommutativeKind::Mul: return ParentClass::Mul;
        default: return ParentClass::MinMax;
      }
    case Tag::ReductionOp: return ParentClass::Reduction;
    default: return ParentClass::Other;
  }
}

ChildClass child_class(NodeKind kind) noexcept {
  switch (kind.tag) {
    case Tag::BinaryOp: return BinaryKind(kind.kind) == BinaryKind::Pow ? ChildClass::Pow : ChildClass::Mod;
    case Tag::CommutativeOp:
      switch (CommutativeKind(kind.kind)) {
        case CommutativeKind::Add: return ChildClass::Add;
        case CommutativeKind::Mul: return ChildClass::Mul;
        default: return ChildClass::Other;
      }
    case Tag::ReductionOp: return ChildClass::Reduction;
    default: return ChildClass::Other;
  }
}

// ---- Token tables. ----

constexpr NodeKind kPlainKind{Tag::NumberLit, 0};  // pushed where nothing may be parenthesised

constexpr std::array<const char*, 6> kComparisonText{" == ", " != ", " < ", " <= ", " > ", " >= "};
constexpr std::array<const char*, 6> kComparisonLatex{" = ", " \\neq ", " < ", " \\leq ", " > ", " \\geq "};
constexpr std::array<const char*, 3> kLogicalStr{" and ", " or ", " xor "};
constexpr std::array<const char*, 3> kLogicalRepr{" & ", " | ", " ^ "};
constexpr std::array<const char*, 3> kLogicalLatex{" \\land ", " \\lor ", " \\oplus "};

struct UnaryTokens {
  const char* open;
  const char* close;
};
// Indexed by UnaryKind: Abs, Ceil, Floor, Ln, Log10, Log2.
constexpr std::array<UnaryTokens, 6> kUnaryStr{{{"|", "|"}, {"ceil(", ")"}, {"floor(", ")"},
                                                {"ln(", ")"}, {"log10(", ")"}, {"log2(", ")"}}};
constexpr std::array<UnaryTokens, 6> kUnaryLatex{{{"\\left| ", " \\right|"},
                                                  {"\\left\\lceil ", " \\right\\rceil"},
                                                  {"\\left\\lfloor ", " \\right\\rfloor"},
                                                  {"\\ln ", ""},
                                                  {"\\log_{10} ", ""},
                                                  {"\\log_{2} ", ""}}};

// A literal whose sign is printed as a subtraction inside a sum. NaN never is: it has no sign
// to drop, so a sum with a negative NaN constant prints "x + NaN".
bool prints_as_negative(const NumericValue& value) noexcept {
  return value.sign_bit() && (value.is_integer() || value.real == value.real);
}

}  // namespace

const char* decision_var_kind_word(DecisionVarKind kind) noexcept {
  constexpr std::array<const char*, 5> kWords{"Binary", "Integer", "Continuous", "SemiInteger",
                                              "SemiContinuous"};
  return kWords[std::size_t(kind)];
}

bool Printer::needs_parens(const Node& child) const noexcept {
  if (stack_.empty()) return false;
  const ChildClass c = child_class(node_kind(child));
  if (c == ChildClass::Other) return false;
  const Paren rule = kParens[std::size_t(c)][std::size_t(parent_class(stack_.back()))];
  return rule == Yes || (rule == LatexOnly && latex());
}

void Printer::write_operand(const Node& child) {
  check_stack();
  if (latex()) {
    if (const Text& own = latex_field(child)) {
      out_ += *own;
      return;
    }
  }
  const bool parens = needs_parens(child);
  if (parens) open_paren();
  push(node_kind(child));
  write_node(child);
  pop();
  if (parens) close_paren();
}

void Printer::write_node(const Node& node) {
  switch (node.tag) {
    case Tag::NumberLit: return write_number_lit(as<NumberLitNode>(node));
    case Tag::Placeholder: return write_placeholder(as<PlaceholderNode>(node));
    case Tag::Element: return write_element(as<ElementNode>(node));
    case Tag::DecisionVar: return write_decision_var(as<DecisionVarNode>(node));
    case Tag::Subscript: return write_subscript(as<SubscriptNode>(node));
    case Tag::ArrayLength: return write_array_length(as<ArrayLengthNode>(node));
    case Tag::UnaryOp: return write_unary(as<UnaryNode>(node));
    case Tag::BinaryOp: return write_binary(as<BinaryNode>(node));
    case Tag::CommutativeOp: return write_commutative(as<CommutativeNode>(node));
    case Tag::ReductionOp: return write_reduction(as<ReductionNode>(node));
    case Tag::Comparison:
    case Tag::Logical: return write_conditional(node);
    case Tag::Range: {
      const auto& range = as<RangeNode>(node);
      out_ += '(';
      write_operand(*range.start);
      out_ += ", ";
      write_operand(*range.end);
      out_ += ')';
      return;
    }
  }
}

void Printer::write_conditional(const Node& node) {
  check_stack();
  if (node.tag == Tag::Comparison) return write_comparison(as<ComparisonNode>(node));
  write_logical(as<LogicalNode>(node));
}

void Printer::quoted_field(std::string_view key, std::string_view value) {
  out_ += key;
  out_ += "='";
  out_ += value;
  out_ += '\'';
}

void Printer::write_repr_tail(const Text& latex, const Text& description) {
  if (latex) quoted_field(", latex", *latex);
  if (description) quoted_field(", description", *description);
}

void Printer::write_joined(const std::vector<Expr>& items, std::string_view separator) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out_ += separator;
    write_operand(*items[i]);
  }
}

void Printer::write_joined(const TermList& items, std::string_view separator) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out_ += separator;
    write_operand(*items[i]);
  }
}

void Printer::strip_trailing_plus() noexcept {
  if (out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "+ ") == 0) out_.resize(out_.size() - 2);
}

// ---- Operands ----

void Printer::write_number_lit(const NumberLitNode& node) {
  switch (mode_) {
    case PrintMode::Str: return append_number(out_, node.value);
    case PrintMode::Repr:
      out_ += "NumberLit(value=";
      append_number(out_, node.value);
      out_ += ')';
      return;
    case PrintMode::Latex:
      // Negative literals (sign bit set, -0.0 included) are bracketed in plain parentheses.
      if (node.value.sign_bit()) out_ += '(';
      append_number(out_, node.value);
      if (node.value.sign_bit()) out_ += ')';
      return;
  }
}

void Printer::write_placeholder(const PlaceholderNode& node) {
  if (mode_ != PrintMode::Repr) {
    out_ += node.name;
    return;
  }
  quoted_field("Placeholder(name", node.name);
  out_ += ", ndim=" + std::to_string(node.ndim);
  write_repr_tail(node.latex, node.description);
  out_ += ')';
}

void Printer::write_element(const ElementNode& node) {
  switch (mode_) {
    case PrintMode::Str: out_ += node.name; return;
    case PrintMode::Latex: out_ += node.latex ? *node.latex : node.name; return;
    case PrintMode::Repr:
      quoted_field("Element(name", node.name);
      out_ += ", belong_to=";
      write_element_set(*node.set);
      write_repr_tail(node.latex, node.description);
      out_ += ')';
      return;
  }
}

// The set inside an element's repr; record printers push nothing.
void Printer::write_element_set(const Node& set) {
  switch (set.tag) {
    case Tag::Range: return write_node(set);
    case Tag::Placeholder: return write_placeholder(as<PlaceholderNode>(set));
    case Tag::Element: return write_element(as<ElementNode>(set));
    case Tag::Subscript: return write_subscript(as<SubscriptNode>(set));
    default: return write_node(set);
  }
}

// The set of a reduction's index in str mode: "[start..end)", a name, or a subscript display.
void Printer::write_set_display(const Node& set) {
  switch (set.tag) {
    case Tag::Range: {
      const auto& range = as<RangeNode>(set);
      out_ += '[';
      out_ += expression_str(*range.start);
      out_ += "..";
      out_ += expression_str(*range.end);
      out_ += ')';
      return;
    }
    case Tag::Placeholder: out_ += as<PlaceholderNode>(set).name; return;
    case Tag::Element: out_ += as<ElementNode>(set).name; return;
    case Tag::Subscript: {
      const auto& subscript = as<SubscriptNode>(set);
      write_set_display(*subscript.variable);
      out_ += expression_list_display(subscript.subscripts);
      return;
    }
    default: out_ += expression_str(set); return;
  }
}

void Printer::write_decision_var(const DecisionVarNode& node) {
  if (mode_ != PrintMode::Repr) {
    out_ += node.name;
    return;
  }
  out_ += decision_var_kind_word(node.var_kind());
  quoted_field("Var(name", node.name);
  out_ += ", shape=[";
  write_joined(node.shape, ", ");
  out_ += ']';
  if (node.var_kind() != DecisionVarKind::Binary) {
    out_ += ", lower_bound=";
    write_bound(node.lower_bound);
    out_ += ", upper_bound=";
    write_bound(node.upper_bound);
  }
  write_repr_tail(node.latex, node.description);
  out_ += ')';
}

void Printer::write_bound(const Bound& bound) {
  if (!bound.node) return;
  switch (bound.kind) {
    case Bound::Kind::Expression: return write_operand(*bound.node);
    case Bound::Kind::Placeholder: return write_placeholder(as<PlaceholderNode>(bound.node));
    case Bound::Kind::Subscript: return write_subscript(as<SubscriptNode>(bound.node));
  }
}

void Printer::write_subscript_base(const Node& base) {
  switch (base.tag) {
    case Tag::Placeholder: return write_placeholder(as<PlaceholderNode>(base));
    case Tag::Element: return write_element(as<ElementNode>(base));
    case Tag::DecisionVar: return write_decision_var(as<DecisionVarNode>(base));
    case Tag::Subscript: return write_subscript(as<SubscriptNode>(base));
    default: return write_node(base);
  }
}

void Printer::write_subscript(const SubscriptNode& node) {
  if (latex()) {
    if (node.latex) {
      out_ += *node.latex;
      return;
    }
    write_subscript_base(*node.variable);
    out_ += "_{";
    write_joined(node.subscripts, ", ");
    out_ += '}';
    return;
  }
  write_subscript_base(*node.variable);
  out_ += '[';
  write_joined(node.subscripts, ", ");
  out_ += ']';
}

void Printer::write_array_length(const ArrayLengthNode& node) {
  const std::string axis = std::to_string(node.axis);
  switch (mode_) {
    case PrintMode::Str:
      out_ += "len(";
      write_subscript_base(*node.array);
      out_ += ", " + axis + ")";
      return;
    case PrintMode::Repr:
      out_ += "ArrayLength(array=";
      write_subscript_base(*node.array);
      out_ += ", axis=" + axis;
      write_repr_tail(node.latex, node.description);
      out_ += ')';
      return;
    case PrintMode::Latex:
      out_ += "\\mathrm{len}\\left(";
      write_subscript_base(*node.array);
      out_ += ", " + axis + "\\right)";
      return;
  }
}

// ---- Operators ----

void Printer::write_unary(const UnaryNode& node) {
  const std::size_t op = std::size_t(node.op());
  UnaryTokens tokens = latex() ? kUnaryLatex[op] : kUnaryStr[op];
  if (mode_ == PrintMode::Repr && node.op() == UnaryKind::Abs) tokens = {"abs(", ")"};
  out_ += tokens.open;
  write_operand(*node.operand);
  out_ += tokens.close;
}

void Printer::write_binary(const BinaryNode& node) {
  if (node.op() == BinaryKind::Pow && latex()) {
    write_operand(*node.left);
    out_ += "^{";
    push(kPlainKind);  // an exponent is never parenthesised in LaTeX
    write_operand(*node.right);
    pop();
    out_ += '}';
    return;
  }
  write_operand(*node.left);
  if (node.op() == BinaryKind::Pow) {
    out_ += " ** ";
  } else {
    out_ += latex() ? " \\bmod " : " % ";
  }
  write_operand(*node.right);
}

// Factors from index `first` on, with a leading literal -1 written as "- ". A product that has
// nothing after its -1 prints the literal itself, never a dangling sign.
void Printer::write_mul_factors(const TermList& factors, std::size_t first) {
  const char* separator = latex() ? " \\cdot " : " * ";
  std::size_t i = first;
  if (i + 1 < factors.size()) {
    const NumericValue* lead = literal_value(*factors[i]);
    if (lead != nullptr && lead->is_minus_one()) {
      out_ += "- ";
      ++i;
    }
  }
  for (std::size_t k = i; k < factors.size(); ++k) {
    if (k > i) out_ += separator;
    write_operand(*factors[k]);
  }
}

void Printer::write_add(const TermList& terms) {
  const char* separator = latex() ? " \\cdot " : " * ";
  for (std::size_t i = 0; i < terms.size(); ++i) {
    const Node& term = *terms[i];
    const NumericValue* literal = literal_value(term);
    const bool own_latex = latex() && has_latex(term);
    const bool product = term.tag == Tag::CommutativeOp &&
                         CommutativeKind(term.kind) == CommutativeKind::Mul && !own_latex;
    const TermList* factors = product ? &as<CommutativeNode>(term).terms : nullptr;
    const NumericValue* coefficient =
        factors != nullptr && !factors->empty() ? literal_value(*factors->front()) : nullptr;

    if (mode_ != PrintMode::Repr && literal != nullptr && prints_as_negative(*literal)) {
      strip_trailing_plus();
      out_ += "- ";
      out_ += number_to_string(*literal).substr(1);
    } else if (coefficient != nullptr && factors->size() > 1 &&
               (mode_ == PrintMode::Repr ? coefficient->is_minus_one()
                                         : prints_as_negative(*coefficient))) {
      strip_trailing_plus();
      out_ += "- ";
      if (!coefficient->is_minus_one()) {
        out_ += number_to_string(*coefficient).substr(1);
        out_ += separator;
      }
      push(node_kind(term));
      for (std::size_t k = 1; k < factors->size(); ++k) {
        if (k > 1) out_ += separator;
        write_operand(*(*factors)[k]);
      }
      pop();
    } else {
      write_operand(term);
    }
    if (i + 1 < terms.size()) out_ += " + ";
  }
}

void Printer::write_commutative(const CommutativeNode& node) {
  switch (node.op()) {
    case CommutativeKind::Add: return write_add(node.terms);
    case CommutativeKind::Mul: return write_mul_factors(node.terms, 0);
    case CommutativeKind::Min:
    case CommutativeKind::Max: {
      const bool min = node.op() == CommutativeKind::Min;
      out_ += latex() ? (min ? "\\min\\left(" : "\\max\\left(") : (min ? "min(" : "max(");
      write_joined(node.terms, ", ");
      out_ += latex() ? "\\right)" : ")";
      return;
    }
  }
}

void Printer::write_reduction(const ReductionNode& node) {
  const bool sum = node.op() == ReductionKind::Sum;
  const ElementNode& index = *node.index;
  if (mode_ == PrintMode::Str) {
    out_ += sum ? "sum(" : "prod(";
    out_ += index.name;
    out_ += " in ";
    write_set_display(*index.set);
    if (node.condition) {
      out_ += " s.t. ";
      write_conditional(*node.condition);
    }
    out_ += ", ";
    write_operand(*node.operand);
    out_ += ')';
    return;
  }
  if (mode_ == PrintMode::Repr) {
    out_ += sum ? "sum(" : "prod(";
    write_element(index);
    out_ += ", ";
    if (node.condition) {
      write_conditional(*node.condition);
      out_ += ", ";
    }
    write_operand(*node.operand);
    out_ += ')';
    return;
  }
  out_ += sum ? "\\sum_{" : "\\prod_{";
  if (node.condition) out_ += "\\substack{";
  write_element(index);
  const Node& set = *index.set;
  if (set.tag == Tag::Range) {
    const auto& range = as<RangeNode>(set);
    out_ += " = ";
    write_operand(*range.start);
    if (node.condition) {
      out_ += "\\\\";
      write_conditional(*node.condition);
      out_ += '}';
    }
    out_ += "}^{";
    const Expr last = expression_sub(range.end, make_number(NumericValue::of_integer(1)));
    push(kPlainKind);
    write_operand(*last);
    pop();
    out_ += '}';
  } else {
    out_ += " \\in ";
    switch (set.tag) {
      case Tag::Placeholder: out_ += as<PlaceholderNode>(set).name; break;
      case Tag::Element: out_ += as<ElementNode>(set).name; break;
      case Tag::Subscript: write_subscript(as<SubscriptNode>(set)); break;
      default: break;
    }
    if (node.condition) {
      out_ += "\\\\";
      write_conditional(*node.condition);
      out_ += "}}";
    } else {
      out_ += '}';
    }
  }
  out_ += ' ';
  write_operand(*node.operand);
}

void Printer::write_comparison(const ComparisonNode& node) {
  write_operand(*node.left);
  out_ += (latex() ? kComparisonLatex : kComparisonText)[std::size_t(node.op())];
  write_operand(*node.right);
}

// Terms are printed without their own LaTeX strings. A logical term of another kind is
// parenthesised, so `(a | b) & c` and `a | (b & c)` print apart.
void Printer::write_logical(const LogicalNode& node) {
  const auto& separators =
      latex() ? kLogicalLatex : (mode_ == PrintMode::Repr ? kLogicalRepr : kLogicalStr);
  for (std::size_t i = 0; i < node.terms.size(); ++i) {
    if (i > 0) out_ += separators[std::size_t(node.op())];
    const Node& term = *node.terms[i];
    const bool parens = term.tag == Tag::Logical && term.kind != node.kind;
    if (parens) open_paren();
    write_conditional(term);
    if (parens) close_paren();
  }
}

// ---- Entries ----

std::string render(const Node& node, PrintMode mode) {
  Printer printer(mode);
  printer.push(node_kind(node));
  printer.write_node(node);
  return printer.take();
}

std::string render_latex(const Node& node) {
  if (const Text& own = latex_field(node)) return *own;
  return render(node, PrintMode::Latex);
}

namespace {
std::string render_expression(const Node& node, PrintMode mode) {
  Printer printer(mode);
  printer.push(node_kind(node));
  printer.write_operand(node);
  return printer.take();
}
}  // namespace

std::string expression_str(const Node& node) { return render_expression(node, PrintMode::Str); }
std::string expression_repr(const Node& node) { return render_expression(node, PrintMode::Repr); }
std::string expression_latex(const Node& node) {
  if (const Text& own = latex_field(node)) return *own;
  return render_expression(node, PrintMode::Latex);
}

std::string expression_list_display(const std::vector<Expr>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    out += expression_str(*items[i]);
  }
  return out + "]";
}

std::string bound_latex(const Bound& bound) {
  if (!bound.node) return {};
  switch (bound.kind) {
    case Bound::Kind::Expression: return expression_latex(*bound.node);
    case Bound::Kind::Placeholder: return as<PlaceholderNode>(bound.node).name;
    case Bound::Kind::Subscript: return render_latex(*bound.node);
  }
  return {};
}

std::string decision_var_rows_latex(const DecisionVarNode& variable) {
  constexpr std::array<const char*, 5> kKindWords{"binary", "integer", "continuous", "semi-integer",
                                                  "semi-continuous"};
  std::string out = "& " + variable.name + " & " + std::to_string(variable.shape.size()) + "\\text{-dim " +
                    kKindWords[std::size_t(variable.var_kind())] + " variable}";
  if (variable.description) out += "& \\text{" + escape_latex_text(*variable.description) + "}";
  if (variable.var_kind() != DecisionVarKind::Binary) {
    out += "\\\\ & & \\text{lower bound: }" + bound_latex(variable.lower_bound) + " & \\\\ & & \\text{upper bound: }" +
           bound_latex(variable.upper_bound) + " & ";
  }
  return out + "\\\\";
}

std::string escape_latex_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '#': out += "\\#"; break;
      case '$': out += "\\$"; break;
      case '%': out += "\\%"; break;
      case '&': out += "\\&"; break;
      case '_': out += "\\_"; break;
      case '{': out += "\\{"; break;
      case '}': out += "\\}"; break;
      case '\\': out += "\\textbackslash{}"; break;
      case '^': out += "\\textasciicircum{}"; break;
      case '~': out += "\\textasciitilde{}"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace zorvane
