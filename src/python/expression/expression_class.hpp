// The members every expression and condition class shares, written once as templates over the
// class and its "self as an expression" rule, and instantiated per class by a table row.
#pragma once

#include <array>
#include <string>

#include "core/expression/arithmetic.hpp"
#include "core/expression/indexing.hpp"
#include "core/print/printer.hpp"
#include "python/conversion.hpp"
#include "python/docs.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

inline Expr self_as_is(const Expr& held) { return held; }

using Builder = Expr (*)(Expr, Expr);

/// A comparison node (no checks); `op` is Python's rich-comparison code.
Expr comparison_from_python_op(int op, Expr left, Expr right);

namespace slots {

// Two-operand number slot: the forward half when the left operand is of the class, else the
// reflected half with the operands kept in Python's order, else NotImplemented. Once a half
// has started, every failure is raised.
template <ClassId Id, SelfToExpr ToExpr, Builder Build>
PyRef binary(PyObject* left, PyObject* right) {
  if (auto self = try_borrow<Expr>(left, Id)) {
    Expr a = ToExpr(**self);
    Expr b = expression_from_pyobject(right);
    return expression_into_py(Build(std::move(a), std::move(b)));
  }
  if (auto self = try_borrow<Expr>(right, Id)) {
    Expr a = expression_from_pyobject(left);
    Expr b = ToExpr(**self);
    return expression_into_py(Build(std::move(a), std::move(b)));
  }
  return not_implemented();
}

PyRef power_result(Expr base, Expr exponent, PyObject* modulo);

// Power with an optional modulo (None counts as absent); the modulo never decides the class.
template <ClassId Id, SelfToExpr ToExpr>
PyRef power(PyObject* left, PyObject* right, PyObject* modulo) {
  if (auto self = try_borrow<Expr>(left, Id)) {
    Expr base = ToExpr(**self);
    return power_result(std::move(base), expression_from_pyobject(right), modulo);
  }
  if (auto self = try_borrow<Expr>(right, Id)) {
    Expr base = expression_from_pyobject(left);
    return power_result(std::move(base), ToExpr(**self), modulo);
  }
  return not_implemented();
}

template <ClassId Id, SelfToExpr ToExpr>
PyRef negative(PyObject* self) {
  Expr operand = ToExpr(*borrow<Expr>(self, Id));
  return expression_into_py(build_neg(std::move(operand)));
}

template <ClassId Id, SelfToExpr ToExpr>
PyRef richcompare(PyObject* self, PyObject* other, int op) {
  auto held = try_borrow<Expr>(self, Id);
  if (!held || op < Py_LT || op > Py_GE) return not_implemented();
  Expr left = ToExpr(**held);
  Expr right = expression_from_pyobject(other);
  return expression_into_py(comparison_from_python_op(op, std::move(left), std::move(right)));
}

template <ClassId Id>
PyRef str(PyObject* self) {
  return new_str(render(*borrow_node(self, Id), PrintMode::Str));
}
template <ClassId Id>
PyRef repr(PyObject* self) {
  return new_str(render(*borrow_node(self, Id), PrintMode::Repr));
}
template <ClassId Id>
PyRef repr_latex(PyObject* self) {
  return new_str("$$\\displaystyle " + render_latex(*borrow_node(self, Id)) + "$$");
}

/// `set_latex(latex=None)` of every class whose nodes carry a LaTeX string.
inline constexpr Signature kSetLatex = make_signature(nullptr, "set_latex", {positional("latex", "None")});
template <ClassId Id>
inline constexpr Signature kSetLatexOf = owned_by(kSetLatex, class_name(Id));
PyRef set_latex(ClassId id, PyObject* self, const Arguments& arguments);

template <ClassId Id>
PyRef set_latex(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return slots::set_latex(Id, self, parse_arguments(kSetLatexOf<Id>, args, nargs, kwnames));
}

}  // namespace slots

/// The arithmetic, comparison and text slots of an expression class.
template <ClassId Id, SelfToExpr ToExpr>
inline const std::array<PyType_Slot, 11> kExpressionSlots{{
    {Py_nb_add, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, ToExpr, build_add>>)},
    {Py_nb_subtract, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, ToExpr, build_sub>>)},
    {Py_nb_multiply, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, ToExpr, build_mul>>)},
    {Py_nb_true_divide, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, ToExpr, build_div>>)},
    {Py_nb_remainder, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, ToExpr, build_mod>>)},
    {Py_nb_power, reinterpret_cast<void*>(&slot_ternary<slots::power<Id, ToExpr>>)},
    {Py_nb_negative, reinterpret_cast<void*>(&slot_unary<slots::negative<Id, ToExpr>>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(&slot_richcompare<slots::richcompare<Id, ToExpr>>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<slots::str<Id>>)},
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<slots::repr<Id>>)},
    {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
}};

/// The method table entries of `set_latex` and `_repr_latex_`.
template <ClassId Id>
PyMethodDef set_latex_entry() {
  return fastcall_method<slots::set_latex<Id>>(slots::kSetLatexOf<Id>, docs::kMethodSetLatex);
}
template <ClassId Id>
PyMethodDef repr_latex_entry() {
  return noargs_method<slots::repr_latex<Id>>("_repr_latex_", docs::kMethodReprLatex);
}

/// `set_latex` and `_repr_latex_`, shared by every class whose nodes carry a LaTeX string.
template <ClassId Id>
inline PyMethodDef kLatexMethods[] = {
    set_latex_entry<Id>(),
    repr_latex_entry<Id>(),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace zorvane

namespace zorvane {

/// The table row of an operator class: no constructor, shared slots and LaTeX methods, and the
/// family's getters.
template <ClassId Id>
ClassDef operator_class(PyGetSetDef* getters) {
  return ClassDef{.basicsize = sizeof(Instance<Expr>),
                  .dealloc = &dealloc_instance<Expr>,
                  .tp_new = nullptr,
                  .vectorcall = nullptr,
                  .slots = kExpressionSlots<Id, self_as_is>,
                  .methods = kLatexMethods<Id>,
                  .getset = getters,
                  .attributes = {}};
}

/// A getter returning a new list of new objects, one per term of the held node.
template <ClassId Id, class NodeType>
PyRef terms_getter(PyObject* self) {
  const Expr node = borrow_node(self, Id);
  return expressions_into_list(as<NodeType>(node).terms);
}

/// A getter returning a new object for one child of the held node.
template <ClassId Id, const Expr& (*Child)(const Node&)>
PyRef child_getter(PyObject* self) {
  const Expr node = borrow_node(self, Id);
  const Expr& child = Child(*node);
  if (!child) return none();
  return expression_into_py(child);
}

}  // namespace zorvane

namespace zorvane {

namespace slots {

template <ClassId Id, LogicalKind Kind>
PyRef logical(PyObject* left, PyObject* right) {
  if (auto self = try_borrow<Expr>(left, Id)) {
    Expr a = **self;
    Expr b = conditional_from_pyobject(right);
    return expression_into_py(make_logical(Kind, {std::move(a), std::move(b)}));
  }
  if (auto self = try_borrow<Expr>(right, Id)) {
    Expr a = conditional_from_pyobject(left);
    Expr b = **self;
    return expression_into_py(make_logical(Kind, {std::move(a), std::move(b)}));
  }
  return not_implemented();
}

/// Conditions have no truth value: `0 <= x <= 10` would otherwise silently keep `x <= 10`.
int refuse_truth_value(PyObject*) noexcept;

}  // namespace slots

template <ClassId Id>
inline const std::array<PyType_Slot, 6> kConditionSlots{{
    {Py_nb_and, reinterpret_cast<void*>(&slot_binary<slots::logical<Id, LogicalKind::And>>)},
    {Py_nb_or, reinterpret_cast<void*>(&slot_binary<slots::logical<Id, LogicalKind::Or>>)},
    {Py_nb_xor, reinterpret_cast<void*>(&slot_binary<slots::logical<Id, LogicalKind::Xor>>)},
    {Py_nb_bool, reinterpret_cast<void*>(&slots::refuse_truth_value)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<slots::str<Id>>)},
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<slots::repr<Id>>)},
}};

/// The table row of a condition class.
template <ClassId Id>
ClassDef condition_class(PyGetSetDef* getters) {
  ClassDef def = operator_class<Id>(getters);
  def.slots = kConditionSlots<Id>;
  return def;
}

}  // namespace zorvane
