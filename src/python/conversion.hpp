// Conversions between Python objects and expression values.
#pragma once

#include <optional>

#include "core/expression/node.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// How a class turns its held node into an operand: a copy, or a copy after a scalar check
/// that raises ModelingError.
using SelfToExpr = Expr (*)(const Expr& held);

/// A new Python object of the class selected by the node; every call makes a new object.
PyRef expression_into_py(Expr node);

/// A new Python list of new objects, one per item, in order.
template <class List>
PyRef expressions_into_list(const List& items) {
  PyRef list = checked(PyList_New(Py_ssize_t(items.size())));
  for (std::size_t i = 0; i < items.size(); ++i) {
    PyList_SET_ITEM(list.get(), Py_ssize_t(i), expression_into_py(items[i]).release());
  }
  return list;
}

/// Reads a Python number as a literal: first as a 64-bit integer through `__index__`, then as
/// a float. Returns nothing when neither reading applies (the attempts' `Exception`s are
/// discarded; other errors propagate).
std::optional<NumericValue> number_from_pyobject(PyObject* object);

/// The general conversion: numbers, then the module's expression objects (scalars only).
/// Raises TypeError "failed to convert into expression." when nothing fits, and ModelingError
/// for a DummyIndexedVar.
Expr expression_from_pyobject(PyObject* object);
/// The same readings as one attempt among several: the expression, or nothing where the general
/// conversion raises. It throws nothing of its own: only KeyboardInterrupt and the like, raised
/// by the object's `__index__` or `__float__`, propagate.
std::optional<Expr> try_expression(PyObject* object);

/// Instance check, shared borrow and an (O(1)) copy of the node an object holds.
inline Expr borrow_node(PyObject* object, ClassId id) { return *borrow<Expr>(object, id); }
/// The node held by an object of any class that holds one; nothing for other objects (and
/// while the object is borrowed mutably).
std::optional<Expr> held_node(PyObject* object);

/// The node held by a condition object (a comparison or logical node); nothing for anything
/// else. Never raises.
std::optional<Expr> held_condition(PyObject* object) noexcept;
/// A comparison or logical node from a condition object; TypeError `kNotACondition` for
/// anything else.
Expr conditional_from_pyobject(PyObject* object);
inline constexpr const char* kNotACondition = "failed to convert into a conditional expression.";

}  // namespace zorvane
