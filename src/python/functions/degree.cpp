// is_linear, is_quadratic, is_higher_order and is_dynamic_degree: the degree analysis of one
// expression, read from Python.
#include "core/analysis/degree.hpp"
#include "python/conversion.hpp"
#include "python/functions/functions.hpp"

namespace zorvane {
namespace analysis {
namespace {

// The four tests read the same parameter.
DegreeInfo degree_of(const Arguments& arguments) {
  constexpr Param kExpr = parameter<is_linear>("expr");
  static_assert(kExpr.index == parameter<is_quadratic>("expr").index &&
                kExpr.index == parameter<is_higher_order>("expr").index &&
                kExpr.index == parameter<is_dynamic_degree>("expr").index);
  const Expr expression = convert_argument(arguments, kExpr, expression_from_pyobject);
  return compute_degree(*expression);
}

PyRef boolean(bool value) { return PyRef::borrow(value ? Py_True : Py_False); }

}  // namespace

PyRef is_linear(const Arguments& arguments) {
  const DegreeInfo info = degree_of(arguments);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 1.0);
}

PyRef is_quadratic(const Arguments& arguments) {
  const DegreeInfo info = degree_of(arguments);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 2.0);
}

PyRef is_higher_order(const Arguments& arguments) {
  const DegreeInfo info = degree_of(arguments);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree > 2.0);
}

PyRef is_dynamic_degree(const Arguments& arguments) { return boolean(degree_of(arguments).is_dynamic); }

}  // namespace analysis
}  // namespace zorvane
