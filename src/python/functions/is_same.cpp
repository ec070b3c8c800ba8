// is_same: structural equality of two model objects of one class, ignoring LaTeX strings and
// descriptions (except a subscript's own LaTeX string).
#include <array>
#include <optional>

#include "python/conversion.hpp"
#include "python/functions/functions.hpp"
#include "python/model/constraint.hpp"
#include "python/model/custom_penalty_term.hpp"
#include "python/model/model_object.hpp"
#include "python/model/problem.hpp"

namespace zorvane::analysis {
namespace {

// One class of the classification: both objects read by `read` (which gives nothing, without a
// throw, when the object is not of the class), then compared by `eq`. Nothing when either
// reading fails.
template <class Read, class Eq>
std::optional<bool> compare_as(PyObject* src, PyObject* dst, Read read, Eq eq) {
  const auto a = read(src);
  if (!a) return std::nullopt;
  const auto b = read(dst);
  if (!b) return std::nullopt;
  return eq(*a, *b);
}

template <class T, ClassId Id>
std::optional<T> read_value(PyObject* object) {
  return held_copy<T>(object, Id);
}

bool nodes_eq(const Expr& a, const Expr& b) { return expression_eq(*a, *b); }

std::optional<bool> same(PyObject* src, PyObject* dst) {
  if (auto r = compare_as(src, dst, read_value<Problem, ClassId::Problem>, problem_eq)) return r;
  if (auto r = compare_as(src, dst, read_value<Constraint, ClassId::Constraint>, constraint_eq)) return r;
  if (auto r = compare_as(src, dst, read_value<CustomPenaltyTerm, ClassId::CustomPenaltyTerm>, custom_penalty_term_eq)) {
    return r;
  }
  if (auto r = compare_as(src, dst, try_expression, nodes_eq)) return r;
  if (auto r = compare_as(src, dst, held_condition, nodes_eq)) return r;
  // Two objects of one node class that are not expressions (non-scalar operands, ranges).
  if (const std::optional<ClassId> id = class_of(src); id && holds_node(*id)) {
    return compare_as(src, dst, [&](PyObject* o) { return held_copy<Expr>(o, *id); }, nodes_eq);
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
