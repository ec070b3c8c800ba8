// Builders of arithmetic and the normal form of sums and products: a sum holds at most one
// literal, as its last term; a product at most one, as its first; nodes that carry their own
// LaTeX string are never merged into.
#include "core/expression/arithmetic.hpp"

namespace zorvane {
namespace {

bool is_flat(const Node& node, CommutativeKind kind) noexcept {
  return node.tag == Tag::CommutativeOp && node.kind == std::uint8_t(kind) && !has_latex(node);
}
bool is_flat_sum(const Node& node) noexcept { return is_flat(node, CommutativeKind::Add); }
bool is_flat_product(const Node& node) noexcept { return is_flat(node, CommutativeKind::Mul); }
bool is_mergeable_power(const Node& node) noexcept {
  return node.tag == Tag::BinaryOp && node.kind == std::uint8_t(BinaryKind::Pow) && !has_latex(node);
}

const TermList& terms_of(const Expr& node) noexcept { return as<CommutativeNode>(node).terms; }
Expr integer(std::int64_t value) { return make_number(NumericValue::of_integer(value)); }

// ---- sum term-list operations ----

void add_push_constant(TermList& terms, NumericValue value) {
  if (!terms.empty()) {
    if (const NumericValue* last = literal_value(*terms.back())) {
      terms.set_back(make_number(numeric_value_add(*last, value)));
      return;
    }
  }
  terms.push_back(make_number(value));
}

void add_push_term(TermList& terms, Expr term) {
  if (const NumericValue* value = literal_value(*term)) return add_push_constant(terms, *value);
  if (!terms.empty() && terms.back()->tag == Tag::NumberLit) {
    terms.insert_before_last(std::move(term));
  } else {
    terms.push_back(std::move(term));
  }
}

void add_remove_zero_terms(TermList& terms) {
  if (terms.literal_count() == 0) return;
  if (terms.literal_count() == 1 && terms.back()->tag == Tag::NumberLit) {
    // The normal form: only the last term can be a zero literal.
    if (is_zero_literal(*terms.back())) terms.pop_back();
    return;
  }
  std::vector<Expr> kept;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (!is_zero_literal(*terms[i])) kept.push_back(terms[i]);
  }
  terms = TermList(std::move(kept));
}

// Removes the first literal term (the last term moves into its place) and returns its value.
std::optional<NumericValue> add_take_constant(TermList& terms) {
  if (terms.literal_count() == 0) return std::nullopt;
  if (terms.literal_count() == 1 && terms.back()->tag == Tag::NumberLit) {
    const NumericValue value = as<NumberLitNode>(terms.back()).value;
    terms.pop_back();
    return value;
  }
  std::vector<Expr> items = terms.to_vector();
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (const NumericValue* value = literal_value(*items[k])) {
      const NumericValue taken = *value;
      items[k] = items.back();
      items.pop_back();
      terms = TermList(std::move(items));
      return taken;
    }
  }
  return std::nullopt;
}

// Zero literals removed; a single remaining term stands for itself.
Expr add_clean_up(TermList terms) {
  add_remove_zero_terms(terms);
  if (terms.size() == 1) return terms.front();
  return make_commutative(CommutativeKind::Add, std::move(terms));
}

Expr add_merge(const Expr& left, const Expr& right) {
  TermList terms = terms_of(left);
  TermList other = terms_of(right);
  const std::optional<NumericValue> a = add_take_constant(terms);
  const std::optional<NumericValue> b = add_take_constant(other);
  for (std::size_t i = 0; i < other.size(); ++i) terms.push_back(other[i]);
  if (a || b) {
    const NumericValue sum = a && b ? numeric_value_add(*a, *b) : (a ? *a : *b);
    terms.push_back(make_number(sum));
  }
  return add_clean_up(std::move(terms));
}

// ---- product term-list operations ----

void mul_push_constant(TermList& terms, NumericValue value) {
  if (!terms.empty()) {
    if (const NumericValue* first = literal_value(*terms.front())) {
      terms.set_front(make_number(numeric_value_mul(*first, value)));
      return;
    }
  }
  terms.push_front(make_number(value));
}

// Removes a leading literal (the last term moves into the first place) and returns its value.
std::optional<NumericValue> mul_take_constant(TermList& terms) {
  if (terms.empty()) return std::nullopt;
  const NumericValue* first = literal_value(*terms.front());
  if (first == nullptr) return std::nullopt;
  const NumericValue taken = *first;
  if (terms.size() == 1) {
    terms.pop_back();
    return taken;
  }
  Expr last = terms.back();
  terms.pop_back();
  terms.set_front(std::move(last));
  return taken;
}

Expr mul_merge(const Expr& left, const Expr& right) {
  TermList terms = terms_of(left);
  TermList other = terms_of(right);
  if (const std::optional<NumericValue> constant = mul_take_constant(other)) {
    mul_push_constant(terms, *constant);
  }
  for (std::size_t i = 0; i < other.size(); ++i) terms.push_back(other[i]);
  return make_commutative(CommutativeKind::Mul, std::move(terms));
}

Expr mul_with_constant(const Expr& product, NumericValue value) {
  TermList terms = terms_of(product);
  mul_push_constant(terms, value);
  return make_commutative(CommutativeKind::Mul, std::move(terms));
}

Expr mul_append(const Expr& product, Expr factor) {
  TermList terms = terms_of(product);
  terms.push_back(std::move(factor));
  return make_commutative(CommutativeKind::Mul, std::move(terms));
}

// A new two-term sum or product; the callers have put any literal where the normal form wants it.
// Most products (`c * x`) never grow, so their two terms sit in the node itself. A sum usually
// does (`p + q + r`, `e += c * x`): it gets a buffer with room for the next appends, shared by
// the sums built from it.
Expr pair(CommutativeKind kind, Expr first, Expr second) {
  if (kind == CommutativeKind::Mul) return make_commutative(kind, TermList(std::move(first), std::move(second)));
  std::vector<Expr> items;
  items.reserve(4);
  items.push_back(std::move(first));
  items.push_back(std::move(second));
  return make_commutative(kind, TermList(std::move(items)));
}

// A positive literal exponent: value > 0 (NaN is not positive).
bool is_positive_literal(const Node& node) noexcept {
  const NumericValue* value = literal_value(node);
  return value != nullptr && (value->is_integer() ? value->integer > 0 : value->real > 0.0);
}

}  // namespace

Expr make_commutative(CommutativeKind kind, TermList terms) {
  return finish(new_node<CommutativeNode>(kind, std::move(terms)));
}

Expr make_pow(Expr base, Expr exponent) {
  return make_node<BinaryNode>([&](BinaryNode& n) {
    n.left = std::move(base);
    n.right = std::move(exponent);
  }, BinaryKind::Pow);
}

Expr make_comparison(ComparisonKind kind, Expr left, Expr right) {
  return make_node<ComparisonNode>([&](ComparisonNode& n) {
    n.left = std::move(left);
    n.right = std::move(right);
  }, kind);
}

Expr make_logical(LogicalKind kind, std::vector<Expr> terms) {
  return make_node<LogicalNode>([&](LogicalNode& n) { n.terms = std::move(terms); }, kind);
}

Expr make_mod(Expr left, Expr right) {
  return make_node<BinaryNode>([&](BinaryNode& n) {
    n.left = std::move(left);
    n.right = std::move(right);
  }, BinaryKind::Mod);
}

Expr build_add_of_terms(std::vector<Expr> terms) {
  // One walk over the terms: the literals are folded, the others moved up in place and
  // counted for the term list (a read sum may have 10^5 terms).
  NumericValue folded = NumericValue::of_integer(0);
  TermList::Counts counts;
  std::size_t kept = 0;
  for (Expr& term : terms) {
    if (const NumericValue* value = literal_value(*term)) {
      folded = numeric_value_add(folded, *value);
    } else {
      counts.add(*term);
      if (&terms[kept] != &term) terms[kept] = std::move(term);
      ++kept;
    }
  }
  terms.resize(kept);  // the literals left behind; no allocation, as the list only shrinks
  if (!folded.is_zero()) {
    terms.push_back(make_number(folded));
    counts.add(*terms.back());
  }
  return make_commutative(CommutativeKind::Add, TermList(std::move(terms), counts));
}

namespace {

/// Factor `i` of a product in normal form: not a literal, or the first one and not 1.
bool normal_factor(std::size_t i, const Node& factor) noexcept {
  const NumericValue* value = literal_value(factor);
  return value == nullptr || (i == 0 && !value->is_one());
}

}  // namespace

Expr build_mul_of_terms(Expr first, Expr second) {
  // The common case (`c * x`, `x * y`) is already in normal form: built with no term list.
  if (normal_factor(0, *first) && normal_factor(1, *second)) {
    return pair(CommutativeKind::Mul, std::move(first), std::move(second));
  }
  std::vector<Expr> terms;
  terms.reserve(2);
  terms.push_back(std::move(first));
  terms.push_back(std::move(second));
  return build_mul_of_terms(std::move(terms));
}

Expr build_mul_of_terms(std::vector<Expr> terms) {
  // Already in normal form (at most one literal, in front, and not 1), as every product that
  // was written is: kept as it is, with no new literal node or term list.
  bool normal = true;
  for (std::size_t i = 0; i < terms.size() && normal; ++i) normal = normal_factor(i, *terms[i]);
  if (normal && terms.size() == 2) return pair(CommutativeKind::Mul, std::move(terms[0]), std::move(terms[1]));
  if (normal) return make_commutative(CommutativeKind::Mul, TermList(std::move(terms)));
  std::optional<NumericValue> constant;
  std::vector<Expr> kept;
  kept.reserve(terms.size() + 1);
  kept.emplace_back();  // room for the literal
  for (Expr& term : terms) {
    if (const NumericValue* value = literal_value(*term)) {
      constant = constant ? numeric_value_mul(*constant, *value) : *value;
    } else {
      kept.push_back(std::move(term));
    }
  }
  // A literal 1 is neutral and dropped; a literal 0 is kept, so no factor is silently lost.
  if (constant && !constant->is_one()) {
    kept.front() = make_number(*constant);
  } else {
    kept.erase(kept.begin());
  }
  return make_commutative(CommutativeKind::Mul, TermList(std::move(kept)));
}

Expr build_add(Expr left, Expr right) {
  const NumericValue* l = literal_value(*left);
  const NumericValue* r = literal_value(*right);
  if (l && r) return make_number(numeric_value_add(*l, *r));
  if (l && l->is_zero()) return right;
  if (r && r->is_zero()) return left;
  if (l) {
    if (is_flat_sum(*right)) {
      TermList terms = terms_of(right);
      add_push_constant(terms, *l);
      return add_clean_up(std::move(terms));
    }
    return pair(CommutativeKind::Add, std::move(right), std::move(left));
  }
  if (is_flat_sum(*left)) {
    if (r) {
      TermList terms = terms_of(left);
      add_push_constant(terms, *r);
      return add_clean_up(std::move(terms));
    }
    if (is_flat_sum(*right)) return add_merge(left, right);
    TermList terms = terms_of(left);
    add_push_term(terms, std::move(right));
    return make_commutative(CommutativeKind::Add, std::move(terms));
  }
  if (is_flat_sum(*right)) {
    TermList terms = terms_of(right);
    add_push_term(terms, std::move(left));
    return make_commutative(CommutativeKind::Add, std::move(terms));
  }
  return pair(CommutativeKind::Add, std::move(left), std::move(right));
}

Expr build_mul(Expr left, Expr right) {
  const NumericValue* l = literal_value(*left);
  const NumericValue* r = literal_value(*right);
  if (l && r) return make_number(numeric_value_mul(*l, *r));
  if (l && l->is_zero()) return integer(0);
  if (r && r->is_zero()) return integer(0);
  if (r && r->is_one()) return left;
  if (l && l->is_one()) return right;
  if (l) {
    if (is_flat_product(*right)) return mul_with_constant(right, *l);
    return pair(CommutativeKind::Mul, std::move(left), std::move(right));
  }
  if (is_flat_product(*left)) {
    if (r) return mul_with_constant(left, *r);
    if (is_flat_product(*right)) return mul_merge(left, right);
    return mul_append(left, std::move(right));
  }
  if (is_flat_product(*right)) return mul_append(right, std::move(left));
  if (is_mergeable_power(*left) && is_mergeable_power(*right)) {
    const auto& a = as<BinaryNode>(left);
    const auto& b = as<BinaryNode>(right);
    if (expression_eq(*a.left, *b.left)) return make_pow(a.left, build_add(a.right, b.right));
  }
  if (r) return pair(CommutativeKind::Mul, std::move(right), std::move(left));
  return pair(CommutativeKind::Mul, std::move(left), std::move(right));
}

Expr build_sub(Expr left, Expr right) {
  if (is_zero_literal(*left)) {
    if (is_zero_literal(*right)) return integer(0);
    return build_mul(integer(-1), std::move(right));
  }
  if (is_zero_literal(*right)) return left;
  const NumericValue* l = literal_value(*left);
  const NumericValue* r = literal_value(*right);
  if (l && r) return make_number(numeric_value_sub(*l, *r));
  return build_add(std::move(left), build_mul(integer(-1), std::move(right)));
}

Expr build_neg(Expr operand) {
  if (const NumericValue* value = literal_value(*operand)) return make_number(numeric_value_neg(*value));
  return build_mul(integer(-1), std::move(operand));
}

Expr build_div(Expr left, Expr right) {
  if (is_zero_literal(*right)) raise(ErrorKind::ZeroDivision, "division by zero");
  return build_mul(std::move(left), build_pow(std::move(right), integer(-1)));
}

Expr build_pow(Expr base, Expr exponent) {
  if (contains_decision_variable(*exponent)) {
    raise_modeling("the exponent contains a decision variable");
  }
  if (contains_decision_variable(*base) && !is_positive_literal(*exponent)) {
    raise_modeling("a decision variable can be raised to only a positive power");
  }
  if (is_zero_literal(*base)) {
    if (const NumericValue* value = literal_value(*exponent); value && value->sign_bit()) {
      raise(ErrorKind::ZeroDivision, "zero cannot be raised to a negative power");
    }
  }
  return make_pow(std::move(base), std::move(exponent));
}

Expr build_mod(Expr left, Expr right) {
  if (contains_decision_variable(*left) || contains_decision_variable(*right)) {
    raise_modeling("the modulo op contains a decision variable");
  }
  if (is_zero_literal(*right)) raise(ErrorKind::ZeroDivision, "modulo by zero");
  return make_mod(std::move(left), std::move(right));
}

}  // namespace zorvane
