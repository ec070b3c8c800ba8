// Printing polls for pending signals: an installed check that throws stops a long print part-way,
// in every mode, for long sums and for deep trees. (From Python a signal cannot be delivered at a
// chosen point inside one call, so this is checked here.)
#include <cassert>
#include <string>
#include <vector>

#include "core/expression/node.hpp"
#include "core/interrupt.hpp"
#include "core/print/printer.hpp"

using namespace zorvane;

namespace {

struct Stop {};

int g_checks = 0;

void stop_at_second_check() {
  if (++g_checks == 2) throw Stop{};
}

Expr placeholder(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "x" + std::to_string(k); });
}

Expr sum_of(int count) {
  std::vector<Expr> terms;
  for (int k = 0; k < count; ++k) terms.push_back(placeholder(k));
  return make_node<CommutativeNode>([&](CommutativeNode& n) { n.terms = TermList(std::move(terms)); },
                                    CommutativeKind::Add);
}

Expr power_chain(int levels) {
  Expr e = placeholder(0);
  for (int k = 0; k < levels; ++k) {
    e = make_node<BinaryNode>([&](BinaryNode& n) {
      n.left = e;
      n.right = placeholder(1);
    }, BinaryKind::Pow);
  }
  return e;
}

// Whether printing `node` in `mode` was stopped by the check (at its second call).
bool stopped(const Node& node, PrintMode mode) {
  g_checks = 0;
  try {
    render(node, mode);
  } catch (const Stop&) {
    return g_checks == 2;
  }
  return false;
}

}  // namespace

int main() {
  const Expr sum = sum_of(100'000);
  const Expr deep = power_chain(int(kMaxDepth) - 1);
  // Without an installed check every print runs to its end.
  assert(render(*sum, PrintMode::Str).size() > 100'000);
  assert(render(*deep, PrintMode::Latex).size() > kMaxDepth);

  set_interrupt_check(&stop_at_second_check);
  for (PrintMode mode : {PrintMode::Str, PrintMode::Repr, PrintMode::Latex}) {
    assert(stopped(*sum, mode));
    assert(stopped(*deep, mode));
  }
  // A print shorter than one polling period never asks.
  g_checks = 0;
  assert(render(*sum_of(100), PrintMode::Str).size() > 100);
  assert(g_checks == 0);
  set_interrupt_check(nullptr);
  return 0;
}
