// The slots shared by the small enumeration classes `ProblemSense` and `ConstraintSense`:
// repr from a name table, `int()`, and == / != against integers and their own class.
#pragma once

#include <array>
#include <cstdint>

#include "python/frame/frame.hpp"

namespace zorvane::sense {

template <class T, ClassId Id, const auto& Reprs>
PyRef repr(PyObject* self) {
  return new_str(Reprs[std::size_t(*borrow<T>(self, Id))]);
}

template <class T, ClassId Id>
PyRef to_int(PyObject* self) {
  return checked(PyLong_FromLong(long(*borrow<T>(self, Id))));
}

/// An object that reads as a 64-bit integer compares by value; then an object of the class
/// compares by value; anything else, and ordering, is left to the interpreter.
template <class T, ClassId Id>
PyRef richcompare(PyObject* self, PyObject* other, int op) {
  if (op != Py_EQ && op != Py_NE) return not_implemented();
  auto own = try_borrow<T>(self, Id);
  if (!own) return not_implemented();
  long long number = 0;
  bool known = false;
  if (PyRef index = PyRef::steal(PyNumber_Index(other))) {
    number = PyLong_AsLongLong(index.get());
    known = !(number == -1 && PyErr_Occurred());
  }
  discard_exception();
  if (!known) {
    auto theirs = try_borrow<T>(other, Id);
    if (!theirs) return not_implemented();
    number = static_cast<long long>(**theirs);
  }
  const bool equal = number == static_cast<long long>(**own);
  return PyRef::borrow((op == Py_EQ) == equal ? Py_True : Py_False);
}

template <class T, ClassId Id, const auto& Reprs>
inline const std::array<PyType_Slot, 3> kSlots{{
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<repr<T, Id, Reprs>>)},
    {Py_nb_int, reinterpret_cast<void*>(&slot_unary<to_int<T, Id>>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(&slot_richcompare<richcompare<T, Id>>)},
}};

/// A copy of the value held by an object of the class (subclasses too); the frame's
/// conversion TypeError naming the class otherwise.
template <class T, ClassId Id>
T extract(PyObject* object) {
  return *borrow<T>(object, Id);
}

}  // namespace zorvane::sense
