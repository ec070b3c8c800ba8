// Conversions between Python objects and expression values.
#include "model/expression/conversion.hpp"

#include <array>

#include <fmt/format.h>

#include "model/expression/operand/dummy_indexed_var.hpp"
#include "print/printer.hpp"

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

}  // namespace

ClassId class_for_node(const Node& node) noexcept {
  switch (node.tag) {
    case Tag::NumberLit: return ClassId::NumberLit;
    case Tag::Placeholder: return ClassId::Placeholder;
    case Tag::Element: return ClassId::Element;
    case Tag::DecisionVar: return ClassId(std::uint8_t(ClassId::BinaryVar) + node.kind);
    case Tag::Subscript: return ClassId::Subscript;
    case Tag::ArrayLength: return ClassId::ArrayLength;
    case Tag::UnaryOp: {
      // UnaryKind order (Abs, Ceil, Floor, Ln, Log10, Log2) differs from the class order.
      constexpr std::array<ClassId, 6> kUnary{ClassId::AbsOp, ClassId::CeilOp, ClassId::FloorOp,
                                              ClassId::LnOp, ClassId::Log10Op, ClassId::Log2Op};
      return kUnary[node.kind];
    }
    case Tag::BinaryOp: return node.kind == 0 ? ClassId::PowOp : ClassId::ModOp;
    case Tag::CommutativeOp: {
      constexpr std::array<ClassId, 4> kCommutative{ClassId::AddOp, ClassId::MulOp, ClassId::MinOp,
                                                    ClassId::MaxOp};
      return kCommutative[node.kind];
    }
    case Tag::ReductionOp: return node.kind == 0 ? ClassId::SumOp : ClassId::ProdOp;
    case Tag::Comparison: return ClassId(std::uint8_t(ClassId::EqualOp) + node.kind);
    case Tag::Logical: return ClassId(std::uint8_t(ClassId::AndOp) + node.kind);
    case Tag::Range: return ClassId::Range;
  }
  return ClassId::NumberLit;
}

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

Expr placeholder_into_scalar(const Expr& node) {
  const auto& p = as<PlaceholderNode>(node);
  if (p.ndim != 0) {
    raise_modeling(fmt::format("the dimensionality of the Placeholder {{ name: {} }} must be zero, "
                               "but is actually {}", p.name, p.ndim));
  }
  return node;
}

Expr element_into_scalar(const Expr& node) {
  const auto& e = as<ElementNode>(node);
  if (e.ndim != 0) {
    raise_modeling(fmt::format("the dimensionality of the Element {{ name: {} }} must be zero, "
                               "but is actually {}", e.name, e.ndim));
  }
  return node;
}

Expr decision_var_into_scalar(const Expr& node) {
  const auto& v = as<DecisionVarNode>(node);
  if (!v.shape.empty()) {
    raise_modeling(fmt::format("the dimensionality of the {}Var {{ name: {} }} must be zero, "
                               "but is actually {}",
                               decision_var_kind_word(v.var_kind()), v.name, v.shape.size()));
  }
  return node;
}

Expr subscript_into_scalar(const Expr& node) {
  const auto& s = as<SubscriptNode>(node);
  if (s.ndim != 0) {
    raise_modeling(fmt::format("the dimensionality of the subscripted variable `{}` must be zero, "
                               "but actually {}", render(*node, PrintMode::Str), s.ndim));
  }
  return node;
}

namespace {

struct ExpressionClass {
  ClassId id;
  SelfToExpr to_expr;
};

// The classes whose objects are expressions, in the order conversions try them.
constexpr std::array<ExpressionClass, 24> kExpressionClasses{{
    {ClassId::NumberLit, nullptr},
    {ClassId::Placeholder, &placeholder_into_scalar},
    {ClassId::Element, &element_into_scalar},
    {ClassId::BinaryVar, &decision_var_into_scalar},
    {ClassId::IntegerVar, &decision_var_into_scalar},
    {ClassId::ContinuousVar, &decision_var_into_scalar},
    {ClassId::SemiIntegerVar, &decision_var_into_scalar},
    {ClassId::SemiContinuousVar, &decision_var_into_scalar},
    {ClassId::Subscript, &subscript_into_scalar},
    {ClassId::ArrayLength, nullptr},
    {ClassId::AbsOp, nullptr}, {ClassId::CeilOp, nullptr}, {ClassId::FloorOp, nullptr},
    {ClassId::Log2Op, nullptr}, {ClassId::Log10Op, nullptr}, {ClassId::LnOp, nullptr},
    {ClassId::AddOp, nullptr}, {ClassId::MulOp, nullptr}, {ClassId::PowOp, nullptr},
    {ClassId::ModOp, nullptr}, {ClassId::MinOp, nullptr}, {ClassId::MaxOp, nullptr},
    {ClassId::SumOp, nullptr}, {ClassId::ProdOp, nullptr},
}};

constexpr std::array<ClassId, 9> kConditionClasses{
    ClassId::AndOp, ClassId::OrOp, ClassId::XorOp, ClassId::EqualOp, ClassId::NotEqualOp,
    ClassId::LessThanOp, ClassId::LessThanEqualOp, ClassId::GreaterThanOp, ClassId::GreaterThanEqualOp};

constexpr const char* kNotACondition = "failed to convert into a conditional expression.";

}  // namespace

Expr expression_from_pyobject(PyObject* object) {
  // Exact ints and floats, then the module's own classes: none of them reads as a number, so
  // the order of attempts is unchanged, and the common cases cost a few comparisons.
  if (PyFloat_CheckExact(object)) return make_number(NumericValue::of_float(PyFloat_AS_DOUBLE(object)));
  PyTypeObject* type = Py_TYPE(object);
  for (const ExpressionClass& cls : kExpressionClasses) {
    if (type != type_object_or_null(cls.id)) continue;
    auto held = try_borrow<Expr>(object, cls.id);
    if (!held) break;
    if (cls.to_expr == nullptr) return **held;
    try {
      return cls.to_expr(**held);
    } catch (const Error&) {
      break;  // a non-scalar operand is not an expression here
    }
  }
  if (type == type_object_or_null(ClassId::DummyIndexedVar)) refuse_dummy_indexed_var_as_expression(object);
  if (std::optional<NumericValue> value = number_from_pyobject(object)) return make_number(*value);
  raise(ErrorKind::Type, kNotAnExpression);
}

Expr conditional_from_pyobject(PyObject* object) {
  PyTypeObject* type = Py_TYPE(object);
  for (ClassId id : kConditionClasses) {
    if (type != type_object_or_null(id)) continue;
    if (auto held = try_borrow<Expr>(object, id)) return **held;
    break;
  }
  raise(ErrorKind::Type, kNotACondition);
}

}  // namespace zorvane
