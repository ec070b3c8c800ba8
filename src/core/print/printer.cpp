// The one printer: one walk, three modes. Modes differ in token tables and a few hooks.
//
// It runs on the one tree walk: each node's text is a short program of pieces (tokens written,
// children handed out) resumed once per child, so C-stack use does not depend on the tree's
// height, and a long print can be interrupted.
#include "core/print/printer.hpp"

#include <array>

#include "core/expression/arithmetic.hpp"
#include "core/expression/number_text.hpp"
#include "core/expression/tree_walk.hpp"

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

bool needs_parens(NodeKind child, NodeKind parent, PrintMode mode) noexcept {
  const ChildClass c = child_class(child);
  if (c == ChildClass::Other) return false;
  const Paren rule = kParens[std::size_t(c)][std::size_t(parent_class(parent))];
  return rule == Yes || (rule == LatexOnly && mode == PrintMode::Latex);
}

// ---- Token tables. ----

constexpr NodeKind kPlainKind{Tag::NumberLit, 0};  // a context where nothing is parenthesised

// Each table is indexed by the kind byte and has one entry per kind.
constexpr auto kComparisonText = std::to_array<const char*>({" == ", " != ", " < ", " <= ", " > ", " >= "});
constexpr auto kComparisonLatex =
    std::to_array<const char*>({" = ", " \\neq ", " < ", " \\leq ", " > ", " \\geq "});
static_assert(kComparisonText.size() == kComparisonKindCount && kComparisonLatex.size() == kComparisonKindCount);
constexpr auto kLogicalStr = std::to_array<const char*>({" and ", " or ", " xor "});
constexpr auto kLogicalRepr = std::to_array<const char*>({" & ", " | ", " ^ "});
constexpr auto kLogicalLatex = std::to_array<const char*>({" \\land ", " \\lor ", " \\oplus "});
static_assert(kLogicalStr.size() == kLogicalKindCount && kLogicalRepr.size() == kLogicalKindCount &&
              kLogicalLatex.size() == kLogicalKindCount);

struct UnaryTokens {
  const char* open;
  const char* close;
};
// UnaryKind order: Abs, Ceil, Floor, Ln, Log10, Log2.
constexpr auto kUnaryStr = std::to_array<UnaryTokens>(
    {{"|", "|"}, {"ceil(", ")"}, {"floor(", ")"}, {"ln(", ")"}, {"log10(", ")"}, {"log2(", ")"}});
constexpr auto kUnaryLatex = std::to_array<UnaryTokens>({{"\\left| ", " \\right|"},
                                                         {"\\left\\lceil ", " \\right\\rceil"},
                                                         {"\\left\\lfloor ", " \\right\\rfloor"},
                                                         {"\\ln ", ""},
                                                         {"\\log_{10} ", ""},
                                                         {"\\log_{2} ", ""}});
static_assert(kUnaryStr.size() == kUnaryKindCount && kUnaryLatex.size() == kUnaryKindCount);

// A literal whose sign is printed as a subtraction inside a sum. NaN never is: it has no sign
// to drop, so a sum with a negative NaN constant prints "x + NaN".
bool prints_as_negative(const NumericValue& value) noexcept {
  return value.sign_bit() && (value.is_integer() || value.real == value.real);
}

// A product printed as "- a * b": a literal -1 followed by something.
bool leads_with_minus_one(const TermList& factors) noexcept {
  if (factors.size() < 2) return false;
  const NumericValue* lead = literal_value(*factors[0]);
  return lead != nullptr && lead->is_minus_one();
}

// How a node is printed where it is met.
enum class Role : std::uint8_t {
  Operand,     // parenthesised by (node, context); in LaTeX its own string stands for it
  Body,        // as it is, operands in the context it is met in (no own string but a subscript's)
  SetDisplay,  // the set of a reduction's index in str: "[start..end)", a name, "a[i]"
  Factors,     // a product's factors after the coefficient that its sum has written
};

// A node being printed. `context` is the kind that decides parentheses around its operands:
// its own kind for an operand, the context it was met in otherwise.
struct PrintFrame {
  NodeKind context;
  Role role;
  bool parens;          // closed when the node is left
  bool keeps_limit;     // holds the last entry of `limits_`
  std::uint32_t step;   // the next piece of the node's text
  std::uint32_t first;  // a product's first factor written as an operand
};

// One print: the hooks of the walk, one frame per node being printed, and the output.
class Printer : public WalkHooks {
 public:
  explicit Printer(PrintMode mode) noexcept : mode_(mode) {}

  std::string run(const Node& root, Role role) {
    next_ = {role, node_kind(root), false};
    walk_tree(root, *this);
    return std::move(out_);
  }

  Visit enter(const Node& node, const WalkFrame*) {
    Role role = next_.role;
    NodeKind context = next_.context;
    bool parens = next_.parens;
    if (role == Role::SetDisplay && !has_set_display(node.tag)) {
      role = Role::Operand;  // printed as an expression of its own
      context = node_kind(node);
    }
    if (role == Role::Operand) {
      if (latex()) {
        if (const Text& own = latex_field(node)) {
          out_ += *own;
          return Visit::SkipChildren;
        }
      }
      const NodeKind kind = node_kind(node);
      parens = needs_parens(kind, context, mode_);
      context = kind;
    }
    if (parens) open_paren();
    if (write_whole(node)) {
      if (parens) close_paren();
      return Visit::SkipChildren;
    }
    const std::uint32_t first = role == Role::Factors ? 1 : 0;
    frames_.push_back(PrintFrame{context, role, parens, false, first, first});
    return Visit::Continue;
  }

  const Node* next_child(WalkFrame& frame) {
    PrintFrame& f = frames_.back();
    const Node& node = *frame.node;
    if (f.role == Role::SetDisplay) return next_set_display(f, node);
    return visit(node, [&](const auto& record) { return next(f, record); });
  }

  void leave(const WalkFrame&) {
    const PrintFrame& f = frames_.back();
    if (f.keeps_limit) limits_.pop_back();
    if (f.parens) close_paren();
    frames_.pop_back();
  }

 private:
  struct Next {
    Role role;
    NodeKind context;
    bool parens;
  };

  bool latex() const noexcept { return mode_ == PrintMode::Latex; }
  void open_paren() { out_ += latex() ? "\\left(" : "("; }
  void close_paren() { out_ += latex() ? "\\right)" : ")"; }

  // The child handed to the walk next, and how it is printed.
  const Node* hand(const Node& child, Role role, NodeKind context, bool parens = false) noexcept {
    next_ = {role, context, parens};
    return &child;
  }
  const Node* operand(const Node& child, NodeKind context) noexcept {
    return hand(child, Role::Operand, context);
  }
  // An expression printed as if on its own: it is its own parent, so a power is parenthesised.
  const Node* own_operand(const Node& child) noexcept { return hand(child, Role::Operand, node_kind(child)); }
  const Node* body(const Node& child, NodeKind context) noexcept { return hand(child, Role::Body, context); }

  static bool has_set_display(Tag tag) noexcept {
    return tag == Tag::Range || tag == Tag::Placeholder || tag == Tag::Element || tag == Tag::Subscript;
  }

  void quoted_field(std::string_view key, std::string_view value) {
    out_ += key;
    out_ += "='";
    out_ += value;
    out_ += '\'';
  }
  void write_repr_tail(const Text& latex, const Text& description) {
    if (latex) quoted_field(", latex", *latex);
    if (description) quoted_field(", description", *description);
    out_ += ')';
  }
  void strip_trailing_plus() noexcept {
    if (out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "+ ") == 0) out_.resize(out_.size() - 2);
  }

  // Writes a node that has no children to print here; false for the others.
  bool write_whole(const Node& node) {
    switch (node.tag) {
      case Tag::NumberLit: write_number_lit(as<NumberLitNode>(node)); return true;
      case Tag::Placeholder: write_placeholder(as<PlaceholderNode>(node)); return true;
      case Tag::Element: {
        if (mode_ == PrintMode::Repr) return false;
        const auto& element = as<ElementNode>(node);
        out_ += latex() && element.latex ? *element.latex : element.name;
        return true;
      }
      case Tag::DecisionVar:
        if (mode_ == PrintMode::Repr) return false;
        out_ += as<DecisionVarNode>(node).name;
        return true;
      case Tag::Subscript: {
        const Text& own = as<SubscriptNode>(node).latex;
        if (!latex() || !own) return false;
        out_ += *own;
        return true;
      }
      default: return false;
    }
  }

  void write_number_lit(const NumberLitNode& node) {
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

  void write_placeholder(const PlaceholderNode& node) {
    if (mode_ != PrintMode::Repr) {
      out_ += node.name;
      return;
    }
    quoted_field("Placeholder(name", node.name);
    out_ += ", ndim=" + std::to_string(node.ndim);
    write_repr_tail(node.latex, node.description);
  }

  // Each `next_*` below writes the text of its node up to its next child and hands that child
  // out, or writes the rest and returns null. `f.step` is where the text stands.

  // In str only: "[start..end)", or "a[i, j]" for a subscript.
  const Node* next_set_display(PrintFrame& f, const Node& set) {
    if (set.tag == Tag::Range) {
      const auto& range = as<RangeNode>(set);
      switch (f.step++) {
        case 0: out_ += '['; return own_operand(*range.start);
        case 1: out_ += ".."; return own_operand(*range.end);
        default: out_ += ')'; return nullptr;
      }
    }
    if (set.tag != Tag::Subscript) return nullptr;
    const auto& subscript = as<SubscriptNode>(set);
    if (f.step == 0) {
      ++f.step;
      return hand(*subscript.variable, Role::SetDisplay, f.context);
    }
    const std::size_t i = f.step++ - 1;
    if (i == 0) out_ += '[';
    if (i < subscript.subscripts.size()) {
      if (i > 0) out_ += ", ";
      return own_operand(*subscript.subscripts[i]);
    }
    out_ += ']';
    return nullptr;
  }

  // Literals and placeholders are written whole (`write_whole`).
  const Node* next(PrintFrame&, const NumberLitNode&) noexcept { return nullptr; }
  const Node* next(PrintFrame&, const PlaceholderNode&) noexcept { return nullptr; }

  const Node* next(PrintFrame& f, const CommutativeNode& node) {
    switch (node.op()) {
      case CommutativeKind::Add: return next_sum(f, node.terms);
      case CommutativeKind::Mul: return next_product(f, node.terms);
      default: return next_min_max(f, node);
    }
  }

  const Node* next(PrintFrame& f, const RangeNode& range) {
    switch (f.step++) {
      case 0: out_ += '('; return operand(*range.start, f.context);
      case 1: out_ += ", "; return operand(*range.end, f.context);
      default: out_ += ')'; return nullptr;
    }
  }

  // Repr only (elsewhere an element is written whole).
  const Node* next(PrintFrame& f, const ElementNode& element) {
    if (f.step++ == 0) {
      quoted_field("Element(name", element.name);
      out_ += ", belong_to=";
      return body(*element.set, f.context);
    }
    write_repr_tail(element.latex, element.description);
    return nullptr;
  }

  // Repr only: the shape, then the bounds of a variable that has them.
  const Node* next(PrintFrame& f, const DecisionVarNode& variable) {
    const std::size_t rank = variable.shape.size();
    const bool bounded = variable.var_kind() != DecisionVarKind::Binary;
    if (f.step == 0) {
      out_ += decision_var_kind_word(variable.var_kind());
      quoted_field("Var(name", variable.name);
      out_ += ", shape=[";
    }
    if (f.step < rank) {
      if (f.step > 0) out_ += ", ";
      return operand(*variable.shape[f.step++], f.context);
    }
    if (f.step == rank) {
      ++f.step;
      out_ += ']';
      if (bounded) {
        out_ += ", lower_bound=";
        if (const Node* child = bound(variable.lower_bound, f.context)) return child;
      }
    }
    if (f.step == rank + 1) {
      ++f.step;
      if (bounded) {
        out_ += ", upper_bound=";
        if (const Node* child = bound(variable.upper_bound, f.context)) return child;
      }
    }
    write_repr_tail(variable.latex, variable.description);
    return nullptr;
  }

  // An expression bound is an operand; an array placeholder or a subscript is written as it is.
  const Node* bound(const Bound& bound, NodeKind context) noexcept {
    if (!bound.node) return nullptr;
    if (bound.kind == Bound::Kind::Expression) return operand(*bound.node, context);
    return body(*bound.node, context);
  }

  const Node* next(PrintFrame& f, const SubscriptNode& subscript) {
    if (f.step == 0) {
      ++f.step;
      return body(*subscript.variable, f.context);
    }
    const std::size_t i = f.step++ - 1;
    if (i == 0) out_ += latex() ? "_{" : "[";
    if (i < subscript.subscripts.size()) {
      if (i > 0) out_ += ", ";
      return operand(*subscript.subscripts[i], f.context);
    }
    out_ += latex() ? '}' : ']';
    return nullptr;
  }

  const Node* next(PrintFrame& f, const ArrayLengthNode& length) {
    if (f.step++ == 0) {
      out_ += mode_ == PrintMode::Str ? "len(" : mode_ == PrintMode::Repr ? "ArrayLength(array=" : "\\mathrm{len}\\left(";
      return body(*length.array, f.context);
    }
    const std::string axis = std::to_string(length.axis);
    switch (mode_) {
      case PrintMode::Str: out_ += ", " + axis + ")"; break;
      case PrintMode::Repr:
        out_ += ", axis=" + axis;
        write_repr_tail(length.latex, length.description);
        break;
      case PrintMode::Latex: out_ += ", " + axis + "\\right)"; break;
    }
    return nullptr;
  }

  const Node* next(PrintFrame& f, const UnaryNode& unary) {
    const std::size_t op = std::size_t(unary.op());
    UnaryTokens tokens = latex() ? kUnaryLatex[op] : kUnaryStr[op];
    if (mode_ == PrintMode::Repr && unary.op() == UnaryKind::Abs) tokens = {"abs(", ")"};
    if (f.step++ == 0) {
      out_ += tokens.open;
      return operand(*unary.operand, f.context);
    }
    out_ += tokens.close;
    return nullptr;
  }

  // A LaTeX exponent is set as a superscript, never parenthesised.
  const Node* next(PrintFrame& f, const BinaryNode& binary) {
    const bool superscript = binary.op() == BinaryKind::Pow && latex();
    switch (f.step++) {
      case 0: return operand(*binary.left, f.context);
      case 1:
        if (superscript) {
          out_ += "^{";
          return operand(*binary.right, kPlainKind);
        }
        out_ += binary.op() == BinaryKind::Pow ? " ** " : latex() ? " \\bmod " : " % ";
        return operand(*binary.right, f.context);
      default:
        if (superscript) out_ += '}';
        return nullptr;
    }
  }

  const Node* next_min_max(PrintFrame& f, const CommutativeNode& node) {
    const bool min = node.op() == CommutativeKind::Min;
    if (f.step == 0) out_ += latex() ? (min ? "\\min\\left(" : "\\max\\left(") : (min ? "min(" : "max(");
    if (f.step < node.terms.size()) {
      if (f.step > 0) out_ += ", ";
      return operand(*node.terms[f.step++], f.context);
    }
    out_ += latex() ? "\\right)" : ")";
    return nullptr;
  }

  // Terms joined by " + "; a negative literal, or a product with a negative coefficient, takes
  // back the " + " before it (or the one its enclosing sum wrote) and is written as "- ...".
  const Node* next_sum(PrintFrame& f, const TermList& terms) {
    const char* separator = latex() ? " \\cdot " : " * ";
    while (f.step < terms.size()) {
      if (f.step > 0) out_ += " + ";
      const Node& term = *terms[f.step++];
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
        continue;
      }
      if (coefficient != nullptr && factors->size() > 1 &&
          (mode_ == PrintMode::Repr ? coefficient->is_minus_one() : prints_as_negative(*coefficient))) {
        strip_trailing_plus();
        out_ += "- ";
        if (!coefficient->is_minus_one()) {
          out_ += number_to_string(*coefficient).substr(1);
          out_ += separator;
        }
        return hand(term, Role::Factors, node_kind(term));
      }
      return operand(term, f.context);
    }
    return nullptr;
  }

  // Factors joined by " * "; a leading literal -1 is written as "- ". A product with nothing
  // after its -1 prints the literal itself, never a dangling sign. An empty product prints
  // nothing.
  const Node* next_product(PrintFrame& f, const TermList& factors) {
    if (f.step == 0 && leads_with_minus_one(factors)) {
      out_ += "- ";
      f.step = f.first = 1;
    }
    if (f.step >= factors.size()) return nullptr;
    if (f.step > f.first) out_ += latex() ? " \\cdot " : " * ";
    return operand(*factors[f.step++], f.context);
  }

  const Node* next(PrintFrame& f, const ReductionNode& reduction) {
    switch (mode_) {
      case PrintMode::Str: return next_reduction_str(f, reduction);
      case PrintMode::Repr: return next_reduction_repr(f, reduction);
      case PrintMode::Latex: return next_reduction_latex(f, reduction);
    }
    return nullptr;
  }

  // "sum(i in [0..n) s.t. i != 2, a[i])"
  const Node* next_reduction_str(PrintFrame& f, const ReductionNode& reduction) {
    switch (f.step) {
      case 0:
        f.step = 1;
        out_ += reduction.op() == ReductionKind::Sum ? "sum(" : "prod(";
        out_ += reduction.index->name;
        out_ += " in ";
        return hand(*reduction.index->set, Role::SetDisplay, f.context);
      case 1:
        f.step = 2;
        if (reduction.condition) {
          out_ += " s.t. ";
          return body(*reduction.condition, f.context);
        }
        [[fallthrough]];
      case 2:
        f.step = 3;
        out_ += ", ";
        return operand(*reduction.operand, f.context);
      default: out_ += ')'; return nullptr;
    }
  }

  // "sum(Element(...), condition, operand)"
  const Node* next_reduction_repr(PrintFrame& f, const ReductionNode& reduction) {
    switch (f.step) {
      case 0:
        f.step = 1;
        out_ += reduction.op() == ReductionKind::Sum ? "sum(" : "prod(";
        return body(*reduction.index, f.context);
      case 1:
        f.step = 2;
        out_ += ", ";
        if (reduction.condition) return body(*reduction.condition, f.context);
        [[fallthrough]];
      case 2:
        f.step = 3;
        if (reduction.condition) out_ += ", ";
        return operand(*reduction.operand, f.context);
      default: out_ += ')'; return nullptr;
    }
  }

  // "\sum_{\substack{i = 0\\i \neq 2}}^{n - 1} a_{i}", or "\sum_{i \in V} b_{i}" over a set
  // that is not a range.
  const Node* next_reduction_latex(PrintFrame& f, const ReductionNode& reduction) {
    const ElementNode& index = *reduction.index;
    const Node& set = *index.set;
    const bool range = set.tag == Tag::Range;
    const bool condition = bool(reduction.condition);
    switch (f.step) {
      case 0:
        f.step = 1;
        out_ += reduction.op() == ReductionKind::Sum ? "\\sum_{" : "\\prod_{";
        if (condition) out_ += "\\substack{";
        out_ += index.latex ? *index.latex : index.name;
        if (range) {
          out_ += " = ";
          return operand(*as<RangeNode>(set).start, f.context);
        }
        out_ += " \\in ";
        switch (set.tag) {
          case Tag::Placeholder: out_ += as<PlaceholderNode>(set).name; break;
          case Tag::Element: out_ += as<ElementNode>(set).name; break;
          case Tag::Subscript: return body(set, f.context);
          default: break;
        }
        [[fallthrough]];
      case 1:
        f.step = 2;
        if (condition) {
          out_ += "\\\\";
          return body(*reduction.condition, f.context);
        }
        [[fallthrough]];
      case 2:
        f.step = 3;
        if (range) {
          // The upper limit is the last value taken: the range's end minus one.
          if (condition) out_ += '}';
          out_ += "}^{";
          limits_.push_back(build_sub(as<RangeNode>(set).end, make_number(NumericValue::of_integer(1))));
          f.keeps_limit = true;
          return operand(*limits_.back(), kPlainKind);
        }
        out_ += condition ? "}}" : "}";
        [[fallthrough]];
      case 3:
        f.step = 4;
        if (range) out_ += '}';
        out_ += ' ';
        return operand(*reduction.operand, f.context);
      default: return nullptr;
    }
  }

  const Node* next(PrintFrame& f, const ComparisonNode& comparison) {
    switch (f.step++) {
      case 0: return operand(*comparison.left, f.context);
      case 1:
        out_ += (latex() ? kComparisonLatex : kComparisonText)[std::size_t(comparison.op())];
        return operand(*comparison.right, f.context);
      default: return nullptr;
    }
  }

  // Terms are printed without their own LaTeX strings. A logical term of another kind is
  // parenthesised, so `(a | b) & c` and `a | (b & c)` print apart.
  const Node* next(PrintFrame& f, const LogicalNode& logical) {
    if (f.step >= logical.terms.size()) return nullptr;
    const auto& separators = latex() ? kLogicalLatex : (mode_ == PrintMode::Repr ? kLogicalRepr : kLogicalStr);
    if (f.step > 0) out_ += separators[std::size_t(logical.op())];
    const Node& term = *logical.terms[f.step++];
    return hand(term, Role::Body, f.context, term.tag == Tag::Logical && term.kind != logical.kind);
  }

  std::vector<PrintFrame> frames_;  // one per node being printed, innermost last
  std::vector<Expr> limits_;        // upper limits of LaTeX reductions being printed
  Next next_{};                     // how the child handed out last is printed
  std::string out_;
  PrintMode mode_;
};

std::string print(const Node& node, PrintMode mode, Role role) {
  Printer printer(mode);
  return printer.run(node, role);
}

}  // namespace

const char* decision_var_kind_word(DecisionVarKind kind) noexcept {
  constexpr auto kWords =
      std::to_array<const char*>({"Binary", "Integer", "Continuous", "SemiInteger", "SemiContinuous"});
  static_assert(kWords.size() == kDecisionVarKindCount);
  return kWords[std::size_t(kind)];
}

// ---- Entries ----

std::string render(const Node& node, PrintMode mode) { return print(node, mode, Role::Body); }

std::string render_latex(const Node& node) {
  if (const Text& own = latex_field(node)) return *own;
  return render(node, PrintMode::Latex);
}

std::string expression_str(const Node& node) { return print(node, PrintMode::Str, Role::Operand); }
std::string expression_repr(const Node& node) { return print(node, PrintMode::Repr, Role::Operand); }
std::string expression_latex(const Node& node) {
  if (const Text& own = latex_field(node)) return *own;
  return print(node, PrintMode::Latex, Role::Operand);
}
std::string expression_list_display(std::span<const Expr> items) {
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
  constexpr auto kKindWords =
      std::to_array<const char*>({"binary", "integer", "continuous", "semi-integer", "semi-continuous"});
  static_assert(kKindWords.size() == kDecisionVarKindCount);
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
