// ExprList keeps one item in place and more in an array: copies, moves and assignments between
// the two forms keep the items and their reference counts right (a miscount shows as a leaked
// or doubly freed node, which the counts below catch without a sanitizer).
#include <cassert>
#include <cstdio>
#include <string>
#include <vector>

#include "core/expression/expr_list.hpp"
#include "core/expression/node.hpp"

using namespace zorvane;

namespace {

Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "p" + std::to_string(k); });
}

std::vector<Expr> items(std::size_t n) {
  std::vector<Expr> out;
  for (std::size_t k = 0; k < n; ++k) out.push_back(symbol(int(k)));
  return out;
}

void check(const ExprList& list, const std::vector<Expr>& model) {
  assert(list.size() == model.size());
  assert(list.empty() == model.empty());
  assert(std::size_t(list.end() - list.begin()) == model.size());
  for (std::size_t i = 0; i < model.size(); ++i) assert(list[i].get() == model[i].get());
}

// Every reference a list takes is given back: each item is held by the model, the lists, and
// nothing else once they are gone.
void check_counts(const std::vector<Expr>& model) {
  for (const Expr& item : model) assert(item->refs == 1);
}

}  // namespace

int main() {
  for (std::size_t n = 0; n <= 4; ++n) {
    const std::vector<Expr> model = items(n);
    {
      ExprList list(model);
      check(list, model);
      ExprList copy(list);
      check(copy, model);
      ExprList moved(std::move(copy));
      check(moved, model);
      check(copy, {});  // a moved-from list is empty
      for (std::size_t m = 0; m <= 4; ++m) {
        const std::vector<Expr> other_model = items(m);
        ExprList other(other_model);
        other = list;  // copy-assign over every size
        check(other, model);
        ExprList third(other_model);
        third = std::move(other);
        check(third, model);
        check_counts(other_model);
      }
    }
    check_counts(model);
  }
  {
    const Expr one = symbol(9);
    ExprList list(one);
    check(list, {one});
    assert(one->refs == 2);
  }
  std::puts("expr list: ok");
  return 0;
}
