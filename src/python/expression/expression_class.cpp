// Members shared by the expression and condition classes.
#include "python/expression/expression_class.hpp"

#include <stdexcept>

namespace zorvane {

Expr comparison_from_python_op(int op, Expr left, Expr right) {
  // Python's codes Py_LT..Py_GE in order.
  constexpr std::array<ComparisonKind, 6> kKinds{
      ComparisonKind::LessThan, ComparisonKind::LessThanEqual, ComparisonKind::Equal,
      ComparisonKind::NotEqual, ComparisonKind::GreaterThan,   ComparisonKind::GreaterThanEqual};
  return make_comparison(kKinds[std::size_t(op)], std::move(left), std::move(right));
}

namespace slots {

PyRef power_result(Expr base, Expr exponent, PyObject* modulo) {
  if (modulo == Py_None) return expression_into_py(build_pow(std::move(base), std::move(exponent)));
  Expr divisor = expression_from_pyobject(modulo);
  Expr power = build_pow(std::move(base), std::move(exponent));
  return expression_into_py(build_mod(std::move(power), std::move(divisor)));
}

PyRef set_latex(ClassId id, PyObject* self, const Arguments& arguments) {
  BorrowMut<Expr> held = borrow_mut<Expr>(self, id);
  Text latex = convert_argument(arguments, kSetLatex.param("latex"), to_optional_utf8);
  *held = with_latex(**held, std::move(latex));
  return none();
}

}  // namespace slots
}  // namespace zorvane

namespace zorvane {

namespace slots {

int refuse_truth_value(PyObject*) noexcept {
  PyErr_SetString(PyExc_TypeError,
                  "a condition has no truth value: combine conditions with &, | or ^, and write "
                  "a chained comparison such as 0 <= x <= 10 as two conditions, "
                  "(0 <= x) & (x <= 10)");
  return -1;
}

}  // namespace slots
}  // namespace zorvane
