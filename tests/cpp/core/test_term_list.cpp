// Term lists with a shared prefix, a head and a tail: random edits on many copies checked
// against plain vectors, including the paths only readers of stored models reach.
#include <cassert>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/expression/arithmetic.hpp"
#include "core/expression/node.hpp"
#include "core/print/printer.hpp"

using namespace zorvane;

namespace {

// Every third symbol has a LaTeX string of its own.
Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) {
    p.name = "p" + std::to_string(k);
    if (k % 3 == 0) p.latex = "q_{" + std::to_string(k) + "}";
  });
}

struct Pair {
  TermList list;
  std::vector<Expr> model;
};

void check(const Pair& pair) {
  const TermList& list = pair.list;
  assert(list.size() == pair.model.size());
  std::uint32_t literals = 0;
  std::uint32_t latex = 0;
  std::uint32_t height = 0;
  for (std::size_t i = 0; i < pair.model.size(); ++i) {
    assert(list[i].get() == pair.model[i].get());
    literals += pair.model[i]->tag == Tag::NumberLit ? 1 : 0;
    assert(has_latex(*pair.model[i]) == latex_field(*pair.model[i]).has_value());
    latex += has_latex(*pair.model[i]) ? 1 : 0;
    height = std::max(height, pair.model[i]->height);
  }
  assert(list.literal_count() == literals);
  assert(list.latex_count() == latex);
  assert(list.max_height() >= height);
  const std::vector<Expr> copy = list.to_vector();
  assert(copy.size() == pair.model.size());
  if (!pair.model.empty()) {
    assert(list.front().get() == pair.model.front().get());
    assert(list.back().get() == pair.model.back().get());
  }
}

void random_edits(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Pair> pairs;
  pairs.push_back({TermList(), {}});
  pairs.push_back({TermList({symbol(0), make_number(NumericValue::of_integer(2)), symbol(1)}), {}});
  pairs.back().model = pairs.back().list.to_vector();
  // a pair kept in the head and the tail, as products start
  pairs.push_back({TermList(make_number(NumericValue::of_integer(3)), symbol(2)), {}});
  pairs.back().model = pairs.back().list.to_vector();
  pairs.push_back({TermList(symbol(3), symbol(4)), {}});
  pairs.back().model = pairs.back().list.to_vector();
  int next_symbol = 5;
  for (int step = 0; step < 4000; ++step) {
    // Edit a copy of an existing list (so buffers are shared), keep both.
    Pair edited = pairs[rng() % pairs.size()];
    Pair& p = edited;
    Expr term = rng() % 3 == 0 ? make_number(NumericValue::of_integer(int(rng() % 7) - 3))
                               : symbol(next_symbol++);
    switch (rng() % 7) {
      case 0:
        p.list.push_back(term);
        p.model.push_back(term);
        break;
      case 1:
        p.list.insert_before_last(term);
        p.model.insert(p.model.empty() ? p.model.end() : p.model.end() - 1, term);
        break;
      case 2:
        p.list.set_back(term);
        if (p.model.empty()) p.model.push_back(term); else p.model.back() = term;
        break;
      case 3:
        p.list.pop_back();
        if (!p.model.empty()) p.model.pop_back();
        break;
      case 4:
        p.list.set_front(term);
        if (p.model.empty()) p.model.push_back(term); else p.model.front() = term;
        break;
      case 5:
        p.list.push_front(term);
        p.model.insert(p.model.begin(), term);
        break;
      case 6: {
        // Rebuild from a vector now and then, as the normal-form repairs do.
        p.list = TermList(p.model);
        break;
      }
    }
    check(p);
    pairs.push_back(std::move(edited));
    if (pairs.size() > 64) pairs.erase(pairs.begin() + std::ptrdiff_t(rng() % pairs.size()));
    for (const Pair& other : pairs) check(other);
  }
}

// Builders on lists that only readers make: empty, several literals, a zero factor.
void builders_on_odd_lists() {
  const Expr x = symbol(100);
  const Expr y = symbol(101);
  const Expr two = make_number(NumericValue::of_integer(2));
  const Expr zero = make_number(NumericValue::of_integer(0));

  const Expr empty_sum = make_commutative(CommutativeKind::Add, TermList());
  Expr r = build_add(empty_sum, x);
  assert(r->tag == Tag::CommutativeOp);
  r = build_add(x, empty_sum);
  assert(r->tag == Tag::CommutativeOp);
  r = build_add(empty_sum, empty_sum);
  assert(r->tag == Tag::CommutativeOp && as<CommutativeNode>(r).terms.empty());
  r = build_add(empty_sum, two);
  assert(r->tag == Tag::NumberLit);

  const Expr empty_product = make_commutative(CommutativeKind::Mul, TermList());
  r = build_mul(empty_product, two);
  assert(as<CommutativeNode>(r).terms.size() == 1);
  r = build_mul(x, empty_product);
  r = build_mul(empty_product, empty_product);
  r = build_mul(two, empty_product);

  // several literals in a sum: the builders still give one literal, last
  const Expr odd_sum = make_commutative(CommutativeKind::Add, TermList({two, x, two, y}));
  r = build_add(odd_sum, two);
  const TermList& t = as<CommutativeNode>(r).terms;
  assert(t.literal_count() >= 1);
  r = build_add(odd_sum, odd_sum);
  assert(as<CommutativeNode>(r).terms.back()->tag == Tag::NumberLit);

  // a zero factor from a reader stays in the product
  r = build_mul_of_terms({x, zero});
  assert(as<CommutativeNode>(r).terms.size() == 2);
  r = build_mul_of_terms({two, x, two});
  const TermList& f = as<CommutativeNode>(r).terms;
  assert(f.size() == 2 && f.literal_count() == 1 && f.front()->tag == Tag::NumberLit);
  assert(as<NumberLitNode>(f.front()).value.integer == 4);
  r = build_add_of_terms({});
  assert(as<CommutativeNode>(r).terms.empty());

  // the printer never fails on them
  const Expr minus_two = make_number(NumericValue::of_integer(-2));
  const Expr lone_negative = make_commutative(CommutativeKind::Mul, TermList({minus_two}));
  const Expr lone_minus_one =
      make_commutative(CommutativeKind::Mul, TermList({make_number(NumericValue::of_integer(-1))}));
  const Expr odd = make_commutative(
      CommutativeKind::Add, TermList({lone_negative, empty_product, x, lone_minus_one, empty_sum, minus_two}));
  for (const Expr& node : {empty_sum, empty_product, lone_negative, lone_minus_one, odd}) {
    for (PrintMode mode : {PrintMode::Str, PrintMode::Repr, PrintMode::Latex}) {
      (void)render(*node, mode);
    }
    (void)expression_str(*node);
  }
  assert(render(*empty_sum, PrintMode::Str).empty());
  assert(render(*empty_product, PrintMode::Str).empty());
  r = build_add_of_terms({two, make_number(NumericValue::of_integer(-2))});
  assert(as<CommutativeNode>(r).terms.empty());
}

}  // namespace

int main() {
  for (unsigned seed = 1; seed <= 20; ++seed) random_edits(seed);
  builders_on_odd_lists();
  std::puts("term list: ok");
  return 0;
}
