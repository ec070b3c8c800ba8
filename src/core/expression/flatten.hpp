// Normal forms of sums and products that look through the LaTeX barrier: the forms a writer
// uses once LaTeX strings are about to be dropped.
#pragma once

#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

/// The terms of `sum` (an Add node) in normal form: nested Add terms spliced in recursively
/// (their own LaTeX strings dropped), the literal terms folded into one constant placed last
/// and left out when zero (each nested sum's constants folded first), the other terms in order.
std::vector<Expr> add_op_flatten(const Node& sum);
/// The terms of `product` (a Mul node): nested Mul terms flattened recursively and spliced in,
/// each one's leading constant taken out (its last term moving to its front) and multiplied into
/// the first term when that is a literal, or put in front; two adjacent powers of an equal base
/// among `product`'s own terms merged into one whose exponent is the sum of theirs, the term
/// after them looked at afresh. `2 * a * T` with T = `3 * b * c` gives 6, a, c, b; x², x³, x⁴
/// gives x⁵, x⁴.
std::vector<Expr> mul_op_flatten(const Node& product);

}  // namespace zorvane
