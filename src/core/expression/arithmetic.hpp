// Builders of arithmetic and conditions: every operator slot, module function and reader builds
// through these, so the folding and flattening rules hold whatever the entry point. `build_*`
// check, fold and flatten; `make_*` only assemble a node from parts that are known to be right.
#pragma once

#include <vector>

#include "core/expression/expression.hpp"

namespace zorvane {

Expr build_add(Expr left, Expr right);
Expr build_sub(Expr left, Expr right);
Expr build_mul(Expr left, Expr right);
Expr build_neg(Expr operand);
/// ZeroDivisionError "division by zero" for a zero-literal divisor; the errors of `build_pow`.
Expr build_div(Expr left, Expr right);
/// A checked power: decision variables only in the base, with a positive literal exponent.
Expr build_pow(Expr base, Expr exponent);
/// A checked remainder: no decision variables, no zero-literal divisor.
Expr build_mod(Expr left, Expr right);

// Plain constructors: no checks, no folding.
Expr make_pow(Expr base, Expr exponent);
Expr make_mod(Expr left, Expr right);
Expr make_commutative(CommutativeKind kind, TermList terms);
Expr make_comparison(ComparisonKind kind, Expr left, Expr right);
/// A logical node over `terms` (conditions) as given; never flattened.
Expr make_logical(LogicalKind kind, std::vector<Expr> terms);

/// A sum with the literal terms folded into one last term (left out when zero); never collapsed.
Expr build_add_of_terms(std::vector<Expr> terms);
/// A product with its literal first (left out when equal to 1); never collapsed. Several
/// literals (only readers make such lists) are multiplied into one.
Expr build_mul_of_terms(std::vector<Expr> terms);
/// `build_mul_of_terms` of two terms.
Expr build_mul_of_terms(Expr first, Expr second);

}  // namespace zorvane
