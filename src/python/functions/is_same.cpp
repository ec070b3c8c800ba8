// is_same: structural equality of two model objects of one class, ignoring LaTeX strings and
// descriptions (except a subscript's own LaTeX string).
#include <array>
#include <optional>

#include "python/conversion.hpp"
#include "python/frame/attempt.hpp"
#include "python/functions/functions.hpp"
#include "python/model/constraint.hpp"
#include "python/model/custom_penalty_term.hpp"
#include "python/model/model_object.hpp"
#include "python/model/problem.hpp"

namespace zorvane::analysis {
namespace {

// One class of the classification: both objects read by `read`, then compared by `eq`.
// Nothing when either reading fails (without a trace).
template <class Read, class Eq>
std::optional<bool> compare_as(PyObject* src, PyObject* dst, Read read, Eq eq) {
  using Value = decltype(read(src));
  std::optional<Value> a;
  std::optional<Value> b;
  if (!attempt([&] { a.emplace(read(src)); })) return std::nullopt;
  if (!attempt([&] { b.emplace(read(dst)); })) return std::nullopt;
  return eq(*a, *b);
}

bool nodes_eq(const Expr& a, const Expr& b) { return expression_eq(*a, *b); }

std::optional<bool> same(PyObject* src, PyObject* dst) {
  if (auto r = compare_as(src, dst, extract_problem, problem_eq)) return r;
  if (auto r = compare_as(src, dst, extract_constraint, constraint_eq)) return r;
  if (auto r = compare_as(src, dst, extract_custom_penalty_term, custom_penalty_term_eq)) return r;
  if (auto r = compare_as(src, dst, [](PyObject* o) { return expression_from_pyobject(o); }, nodes_eq)) return r;
  if (auto r = compare_as(src, dst, [](PyObject* o) { return conditional_from_pyobject(o); }, nodes_eq)) return r;
  // Two objects of one node class that are not expressions (non-scalar operands, ranges).
  if (const std::optional<ClassId> id = class_of(src); id && holds_node(*id)) {
    return compare_as(src, dst, [&](PyObject* o) { return borrow_node(o, *id); }, nodes_eq);
  }
  return std::nullopt;
}

}  // namespace

PyRef is_same(const Arguments& arguments) {
  constexpr Param kSrc = parameter<is_same>("src");
  constexpr Param kDst = parameter<is_same>("dst");
  PyObject* src = arguments[kSrc];
  PyObject* dst = arguments[kDst];
  const std::optional<bool> result = same(src, dst);
  if (!result) {
    raise(ErrorKind::Type, "the type of src (= " + type_qualname(src) + ") is different from the type of dst (= " +
                               type_qualname(dst) + "), or one of them is unsupported type");
  }
  return PyRef::borrow(*result ? Py_True : Py_False);
}

}  // namespace zorvane::analysis
