// Running out of memory: freeing any tree allocates nothing, and a term-list mutation or an
// arithmetic builder whose allocation fails leaves every list and node as it was.
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "core/expression/arithmetic.hpp"
#include "core/expression/node.hpp"
#include "core/expression/reduction.hpp"
#include "core/print/printer.hpp"

namespace {

long g_live = 0;         // allocations not yet freed
long g_allocations = 0;  // every call of operator new
long g_fail_in = -1;     // the allocation this many calls from now fails (once); -1: none
bool g_fail_all = false;

}  // namespace

// Every operator new of the program comes here (the array and nothrow forms call this one).
void* operator new(std::size_t size) {
  ++g_allocations;
  if (g_fail_all) throw std::bad_alloc();
  if (g_fail_in >= 0 && g_fail_in-- == 0) throw std::bad_alloc();
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++g_live;
  return block;
}
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  --g_live;
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

using namespace zorvane;

namespace {

Expr number(std::int64_t value) { return make_number(NumericValue::of_integer(value)); }

Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "p" + std::to_string(k); });
}

// One node of every kind, children shared between them, plus a deep chain and sums and
// products whose term buffers are shared.
std::vector<Expr> trees_of_every_kind() {
  std::vector<Expr> out;
  const Expr n = symbol(0);
  const Expr range = make_node<RangeNode>([&](RangeNode& r) {
    r.start = number(0);
    r.end = n;
  });
  const Expr i = make_node<ElementNode>([&](ElementNode& e) {
    e.name = "i";
    e.set = range;
    e.latex = "i";
  });
  const Expr x = make_node<DecisionVarNode>([&](DecisionVarNode& v) {
    v.name = "x";
    v.shape = {n, number(3)};
    v.lower_bound.node = number(-1);
    v.upper_bound.node = symbol(1);
    v.description = "a variable";
  }, DecisionVarKind::Integer);
  const Expr x_i = make_node<SubscriptNode>([&](SubscriptNode& s) {
    s.variable = x;
    s.subscripts = ExprList({i, number(1)});
  });
  const Expr length = make_node<ArrayLengthNode>([&](ArrayLengthNode& a) { a.array = n; });
  const Expr floor = make_node<UnaryNode>([&](UnaryNode& u) { u.operand = x_i; }, UnaryKind::Floor);
  const Expr power = make_pow(x_i, number(2));
  const Expr less = make_node<ComparisonNode>([&](ComparisonNode& c) {
    c.left = i;
    c.right = length;
  }, ComparisonKind::LessThan);
  const Expr both = make_node<LogicalNode>([&](LogicalNode& l) { l.terms = {less, less}; }, LogicalKind::And);
  const Expr sum = make_node<ReductionNode>([&](ReductionNode& r) {
    r.index = element_node(i);
    r.condition = both;
    r.operand = build_add(floor, power);
  }, ReductionKind::Sum);
  out.insert(out.end(), {n, range, i, x, x_i, length, floor, power, less, both, sum});

  Expr chain = x_i;
  for (std::uint32_t level = 1; level < kMaxDepth - 8; ++level) {
    chain = make_node<UnaryNode>([&](UnaryNode& u) { u.operand = std::move(chain); }, UnaryKind::Abs);
  }
  out.push_back(chain);

  Expr wide = symbol(2);
  Expr product = symbol(3);
  for (int k = 0; k < 20000; ++k) {
    wide = build_add(wide, build_mul(number(k + 1000), symbol(k + 10)));
    product = build_mul(product, symbol(k % 7));
    if (k % 5000 == 0) {
      out.push_back(wide);  // shares its buffer prefix with the later sums
      out.push_back(build_add(wide, number(7)));
      out.push_back(product);
    }
  }
  out.push_back(wide);
  out.push_back(product);
  return out;
}

void freeing_allocates_nothing() {
  for (int k = -8; k <= 256; ++k) (void)number(k);  // the cache of small literals lives forever
  const long live = g_live;
  std::vector<Expr> trees = trees_of_every_kind();
  assert(g_live > live);
  const long allocations = g_allocations;
  const std::size_t node_allocations_before = node_allocations().calls;
  g_fail_all = true;
  std::vector<Expr>().swap(trees);
  g_fail_all = false;
  assert(g_allocations == allocations && node_allocations().calls == node_allocations_before);
  assert(g_live == live);  // and everything was freed
}

struct Pair {
  TermList list;
  std::vector<Expr> model;
};

void check(const Pair& pair) {
  assert(pair.list.size() == pair.model.size());
  std::uint32_t literals = 0;
  for (std::size_t i = 0; i < pair.model.size(); ++i) {
    assert(pair.list[i].get() == pair.model[i].get());
    literals += pair.model[i]->tag == Tag::NumberLit ? 1 : 0;
    assert(pair.list.max_height() >= pair.model[i]->height);
  }
  assert(pair.list.literal_count() == literals);
}

// Applies edit `op` to the list, and to the model when `list_only` is false.
void edit(int op, Pair& p, const Expr& term, bool list_only) {
  switch (op) {
    case 0:
      p.list.push_back(term);
      if (!list_only) p.model.push_back(term);
      return;
    case 1:
      p.list.insert_before_last(term);
      if (!list_only) p.model.insert(p.model.empty() ? p.model.end() : p.model.end() - 1, term);
      return;
    case 2:
      p.list.set_back(term);
      if (!list_only) {
        if (p.model.empty()) p.model.push_back(term); else p.model.back() = term;
      }
      return;
    case 3:
      p.list.set_front(term);
      if (!list_only) {
        if (p.model.empty()) p.model.push_back(term); else p.model.front() = term;
      }
      return;
    default:
      p.list.push_front(term);
      if (!list_only) p.model.insert(p.model.begin(), term);
      return;
  }
}

// Every allocation of every edit fails in turn: the edited list and every list sharing its
// buffer still hold their terms.
void failed_term_list_edits_change_nothing(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Pair> pairs;
  pairs.push_back({TermList(), {}});
  pairs.push_back({TermList({symbol(0), number(2), symbol(1)}), {}});
  pairs.back().model = pairs.back().list.to_vector();
  int next_symbol = 2;
  for (int step = 0; step < 600; ++step) {
    Pair edited = pairs[rng() % pairs.size()];
    const Expr term = rng() % 3 == 0 ? number(int(rng() % 7) - 3) : symbol(next_symbol++);
    const int op = int(rng() % 5);
    for (long k = 0;; ++k) {
      Pair attempt = edited;
      g_fail_in = k;
      try {
        edit(op, attempt, term, true);
        g_fail_in = -1;
      } catch (const std::bad_alloc&) {
        g_fail_in = -1;
        check(attempt);
        check(edited);
        for (const Pair& other : pairs) check(other);
        continue;
      }
      break;
    }
    edit(op, edited, term, false);
    check(edited);
    pairs.push_back(std::move(edited));
    if (pairs.size() > 32) pairs.erase(pairs.begin() + std::ptrdiff_t(rng() % pairs.size()));
  }
}

// The same for the builders of sums and products over shared term buffers: a failed build
// leaves every expression made so far printing as before.
void failed_builds_change_nothing(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Expr> pool = {symbol(0), symbol(1), number(3), build_add(symbol(0), number(1)),
                            build_mul(number(2), symbol(1))};
  std::vector<std::string> texts;
  for (const Expr& e : pool) texts.push_back(expression_str(*e));
  for (int step = 0; step < 300; ++step) {
    const Expr a = pool[rng() % pool.size()];
    const Expr b = rng() % 4 == 0 ? number(int(rng() % 5) - 2) : pool[rng() % pool.size()];
    const int op = int(rng() % 3);
    auto build = [&] {
      return op == 0 ? build_add(a, b) : op == 1 ? build_mul(a, b) : build_sub(a, b);
    };
    Expr built;
    for (long k = 0;; ++k) {
      g_fail_in = k;
      try {
        built = build();
        g_fail_in = -1;
      } catch (const std::bad_alloc&) {
        g_fail_in = -1;
        for (std::size_t i = 0; i < pool.size(); ++i) assert(expression_str(*pool[i]) == texts[i]);
        continue;
      }
      break;
    }
    assert(expression_str(*built) == expression_str(*build()));
    pool.push_back(built);
    texts.push_back(expression_str(*built));
    if (pool.size() > 40) {
      const std::size_t drop = rng() % pool.size();
      pool.erase(pool.begin() + std::ptrdiff_t(drop));
      texts.erase(texts.begin() + std::ptrdiff_t(drop));
    }
  }
}

}  // namespace

int main() {
  freeing_allocates_nothing();
  for (unsigned seed = 1; seed <= 5; ++seed) failed_term_list_edits_change_nothing(seed);
  for (unsigned seed = 1; seed <= 5; ++seed) failed_builds_change_nothing(seed);
  std::puts("out of memory: ok");
  return 0;
}
