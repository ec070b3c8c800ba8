// Reading subscript keys, and the members that Placeholder, Element and Subscript share:
// `__getitem__`, `shape` and `len_at`.
#pragma once

#include <optional>
#include <vector>

#include "core/expression/node.hpp"
#include "python/docs.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// The items of a sequence, each converted to an expression, in order. A `str` is refused with
/// TypeError "Can't extract `str` to `Vec`", any other non-sequence with the class frame's
/// "... cannot be converted to 'Sequence'"; the first item that does not convert raises. The
/// list grows item by item: nothing is reserved from the object's `__len__` (only from an exact
/// tuple's own size).
std::vector<Expr> expressions_from_sequence(PyObject* object);

/// The one expression a whole key stands for (`x[i]`, `x[3]`), or nothing. An exact tuple, list
/// or slice is told by its type and never converted: it is read item by item (or as a slice).
std::optional<Expr> key_expression(PyObject* key);

/// The subscripts a key stands for, validated: one expression (`p[i]`), or the items of a
/// sequence (`p[i, j]`, `p[[i, j]]`). A `str` or a non-sequence key is a TypeError; model
/// objects are not sequences, so `p[q]` with an array `q` is refused at once. The key's
/// `__len__` is never trusted.
ExprList subscripts_from_key(PyObject* key);

/// The items of a decision variable's key, each an expression or an exact built-in slice.
struct KeyItems {
  std::vector<Expr> expressions;  ///< one per item, in order; null where the item is a slice
  std::vector<PyRef> slices;      ///< the slices, in order
};
/// A decision variable's key that is not one expression (`key_expression` gave nothing), read
/// without validation: a slice, or a sequence of expressions and slices. IndexError "Invalid
/// index: " + str(key) when no reading applies (an exception raised by `str(key)` itself
/// propagates unchanged).
KeyItems parse_subscript_items(PyObject* key);

/// `__getitem__` of Placeholder, Element and Subscript: a scalar receiver is a TypeError and a
/// refused subscript an IndexError, each reading "ModelingError: " + the model's message.
PyRef subscript_operand(PyObject* self, ClassId id, PyObject* key);

/// MemoryError before building a tuple of `count` new objects that could never fit in memory
/// (a placeholder's `ndim` is not bounded).
void check_tuple_capacity(std::uint64_t count);
/// A tuple of `ArrayLength` objects, one per remaining axis of a placeholder, element or
/// subscript, in axis order.
PyRef lengths_tuple(const Expr& receiver);

/// `len_at(axis, *, latex=None, description=None)` of Placeholder, Element and Subscript.
inline constexpr Signature kLenAt = make_signature(
    nullptr, "len_at", {positional("axis"), keyword_only("latex", "None"), keyword_only("description", "None")});
template <ClassId Id>
inline constexpr Signature kLenAtOf = owned_by(kLenAt, class_name(Id));
PyRef len_at(ClassId id, PyObject* self, const Arguments& arguments);

template <ClassId Id>
PyRef len_at_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return len_at(Id, self, parse_arguments(kLenAtOf<Id>, args, nargs, kwnames));
}
/// The method table entry of `len_at`.
template <ClassId Id>
PyMethodDef len_at_entry() {
  return fastcall_method<len_at_method<Id>>(kLenAtOf<Id>, docs::kMethodLenAt);
}
template <ClassId Id>
PyRef getitem_method(PyObject* self, PyObject* key) {
  return subscript_operand(self, Id, key);
}

}  // namespace zorvane
