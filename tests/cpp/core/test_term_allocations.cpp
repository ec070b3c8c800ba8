// What one term of `sum c_k * X[k]` allocates: the subscript `X[k]` is one node (its subscript
// held in place, its variable shared), and the product `c * X[k]` one node (its two factors in
// the term list's ends). Counted allocations, so a change that adds a buffer per term shows.
#include <cassert>
#include <cstdio>

#include "allocation_count.hpp"
#include "core/expression/arithmetic.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/node.hpp"

using namespace zorvane;

int main() {
  const Expr n = make_number(NumericValue::of_integer(1000));
  const Expr x = make_node<DecisionVarNode>([&](DecisionVarNode& v) {
    v.name = "X";
    v.shape = {n};
  }, DecisionVarKind::Binary);
  const Expr k = make_number(NumericValue::of_integer(500));
  const Expr c = make_number(NumericValue::of_float(2.5));
  const Expr two = make_number(NumericValue::of_integer(2));
  const Expr i = make_node<ElementNode>([&](ElementNode& e) {
    e.name = "i";
    e.set = build_range(make_number(NumericValue::of_integer(0)), n);
  });

  Expr subscript;
  allocation_count::Count count = allocation_count::during([&] { subscript = build_subscript(x, ExprList(k)); });
  assert(count.calls == 1);
  assert(as<SubscriptNode>(subscript).variable.get() == x.get());

  Expr product;
  count = allocation_count::during([&] { product = build_mul(c, subscript); });
  assert(count.calls == 1);
  assert(as<CommutativeNode>(product).terms.size() == 2);

  // Two subscripts take one array between them; the product of a subscript and a small
  // integer (cached) is again one node.
  Expr wide = make_node<DecisionVarNode>([&](DecisionVarNode& v) {
    v.name = "Y";
    v.shape = {n, n};
  }, DecisionVarKind::Binary);
  count = allocation_count::during([&] { subscript = build_subscript(wide, ExprList({i, k})); });
  assert(count.calls == 1 + 1 + 1);  // the vector given, the list's array, the node
  count = allocation_count::during([&] { product = build_mul(two, subscript); });
  assert(count.calls == 1);

  std::puts("term allocations: ok");
  return 0;
}
