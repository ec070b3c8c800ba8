// Builders of arithmetic: every operator slot and module function builds through these, so the
// folding and flattening rules hold whatever the entry point.
#pragma once

#include <vector>

#include "model/expression/expression.hpp"

namespace zorvane {

Expr expression_add(Expr left, Expr right);
Expr expression_sub(Expr left, Expr right);
Expr expression_mul(Expr left, Expr right);
Expr expression_neg(Expr operand);
/// ZeroDivisionError "division by zero" for a zero-literal divisor; the errors of `expr_pow`.
Expr expression_div(Expr left, Expr right);
/// A checked power: decision variables only in the base, with a positive literal exponent.
Expr expr_pow(Expr base, Expr exponent);
/// A checked remainder: no decision variables, no zero-literal divisor.
Expr expr_mod(Expr left, Expr right);

// Plain constructors: no checks, no folding.
Expr pow_op_new(Expr base, Expr exponent);
Expr mod_op_new(Expr left, Expr right);
Expr commutative_op_new(CommutativeKind kind, TermList terms);

/// A sum with the literal terms folded into one last term (left out when zero); never collapsed.
Expr add_op_from_terms(std::vector<Expr> terms);
/// A product with its literal first (left out when equal to 1); never collapsed. Several
/// literals (only readers make such lists) are multiplied into one.
Expr mul_op_from_terms(std::vector<Expr> terms);

}  // namespace zorvane
