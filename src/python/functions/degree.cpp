// is_linear, is_quadratic, is_higher_order and is_dynamic_degree: the degree analysis of one
// expression, read from Python.
#include "core/analysis/degree.hpp"
#include "python/conversion.hpp"
#include "python/functions/functions.hpp"

namespace zorvane {
namespace analysis {
namespace {

template <const char* const& Name>
constexpr Signature kSignature{.function = Name, .names = {"expr"}, .positional = 1, .required_positional = 1};

constexpr const char* kIsLinear = "is_linear";
constexpr const char* kIsQuadratic = "is_quadratic";
constexpr const char* kIsHigherOrder = "is_higher_order";
constexpr const char* kIsDynamicDegree = "is_dynamic_degree";

template <const char* const& Name>
DegreeInfo degree_of(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kSignature<Name>, args, nargs, kwnames);
  const Expr expression = convert_argument(arguments, kSignature<Name>.param("expr"), expression_from_pyobject);
  return compute_degree(*expression);
}

PyRef boolean(bool value) { return PyRef::borrow(value ? Py_True : Py_False); }

}  // namespace

PyRef is_linear(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsLinear>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 1.0);
}

PyRef is_quadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsQuadratic>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 2.0);
}

PyRef is_higher_order(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsHigherOrder>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree > 2.0);
}

PyRef is_dynamic_degree(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return boolean(degree_of<kIsDynamicDegree>(args, nargs, kwnames).is_dynamic);
}

}  // namespace analysis
}  // namespace zorvane
