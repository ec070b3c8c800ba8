// Conversions between Python objects and expression values.
#include "python/conversion.hpp"

#include <array>

#include <fmt/format.h>

#include "core/expression/decision_var.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/node_text.hpp"

namespace zorvane {
namespace {

constexpr const char* kNotAnExpression = "failed to convert into expression.";

bool read_integer(PyObject* object, std::int64_t& out) {
  if (PyLong_CheckExact(object)) {
    int overflow = 0;
    out = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (overflow == 0) return !(out == -1 && PyErr_Occurred());
    return false;  // beyond 64 bits: read as a float instead
  }
  PyRef index = PyRef::steal(PyNumber_Index(object));
  if (!index) return false;
  out = PyLong_AsLong(index.get());
  return !(out == -1 && PyErr_Occurred());
}

bool read_float(PyObject* object, double& out) {
  if (PyFloat_CheckExact(object)) {
    out = PyFloat_AS_DOUBLE(object);
    return true;
  }
  out = PyFloat_AsDouble(object);
  return !(out == -1.0 && PyErr_Occurred());
}

// A DummyIndexedVar `object` refused as an expression: ModelingError "dummy indexed BinaryVar
// with name 'x' must be called the `sum` or `prod` method ...".
[[noreturn]] void refuse_dummy_indexed_var_as_expression(PyObject* object) {
  const Borrow<DummyIndexed> held = borrow<DummyIndexed>(object, ClassId::DummyIndexedVar);
  const auto& v = as<DecisionVarNode>(held->variable);
  raise_modeling(fmt::format("dummy indexed {}Var with name '{}' must be called the `sum` or `prod` method "
                             "to be converted into an expression.",
                             decision_var_kind_word(v.var_kind()), v.name));
}

}  // namespace

PyRef expression_into_py(Expr node) {
  const ClassId id = class_for_node(*node);
  return new_instance(id, std::move(node));
}

std::optional<NumericValue> number_from_pyobject(PyObject* object) {
  std::int64_t integer = 0;
  if (read_integer(object, integer)) return NumericValue::of_integer(integer);
  discard_exception();
  double real = 0.0;
  if (read_float(object, real)) return NumericValue::of_float(real);
  discard_exception();
  return std::nullopt;
}

std::optional<Expr> held_node(PyObject* object) {
  const std::optional<ClassId> id = class_of(object);
  if (!id || !holds_node(*id)) return std::nullopt;
  if (auto held = try_borrow<Expr>(object, *id)) return **held;
  return std::nullopt;
}

std::optional<Expr> try_expression(PyObject* object) {
  // Exact floats, then the module's own classes: none of them reads as a number, so the order
  // of attempts is unchanged, and the common cases cost a few comparisons.
  if (PyFloat_CheckExact(object)) return make_number(NumericValue::of_float(PyFloat_AS_DOUBLE(object)));
  if (const std::optional<ClassId> id = class_of(object)) {
    if (!is_expression_class(*id)) return std::nullopt;
    // A non-scalar operand is no expression here: the check of `scalar_operand`, without
    // building its message.
    auto held = try_borrow<Expr>(object, *id);
    if (!held || operand_ndim(***held) != 0) return std::nullopt;
    return **held;
  }
  if (std::optional<NumericValue> value = number_from_pyobject(object)) return make_number(*value);
  return std::nullopt;
}

Expr expression_from_pyobject(PyObject* object) {
  if (std::optional<Expr> expression = try_expression(object)) return std::move(*expression);
  if (class_of(object) == ClassId::DummyIndexedVar) refuse_dummy_indexed_var_as_expression(object);
  raise(ErrorKind::Type, kNotAnExpression);
}

std::optional<Expr> held_condition(PyObject* object) noexcept {
  if (const std::optional<ClassId> id = class_of(object); id && is_condition_class(*id)) {
    if (auto held = try_borrow<Expr>(object, *id)) return **held;
  }
  return std::nullopt;
}

Expr conditional_from_pyobject(PyObject* object) {
  if (std::optional<Expr> held = held_condition(object)) return std::move(*held);
  raise(ErrorKind::Type, kNotACondition);
}

}  // namespace zorvane
