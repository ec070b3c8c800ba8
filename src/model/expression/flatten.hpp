// Normal forms of sums and products that look through the LaTeX barrier: the forms a writer
// uses once LaTeX strings are about to be dropped.
#pragma once

#include <vector>

#include "model/expression/node.hpp"

namespace zorvane {

/// The terms of `sum` (an Add node) in normal form: nested Add terms spliced in recursively
/// (their own LaTeX strings dropped), the literal terms folded into one constant placed last
/// and left out when zero, the other terms in order.
std::vector<Expr> add_op_flatten(const Node& sum);
/// The terms of `product` (a Mul node) in normal form: nested Mul terms spliced in recursively,
/// the literals multiplied into one leading constant (left out when one), and adjacent powers
/// of an equal base merged into one power whose exponent is the sum of theirs.
std::vector<Expr> mul_op_flatten(const Node& product);

}  // namespace zorvane
