// DataType: the enumeration of a literal's numeric type.
#include "python/expression/data_type.hpp"


namespace zorvane {
namespace {

PyRef data_type_repr(PyObject* self) {
  const DataType value = *borrow<DataType>(self, ClassId::DataType);
  return new_str(value == DataType::Float ? "DataType.FLOAT" : "DataType.INTEGER");
}

PyRef data_type_int(PyObject* self) {
  return checked(PyLong_FromLong(long(*borrow<DataType>(self, ClassId::DataType))));
}

// == and != compare the variant number with an integer-like object or another DataType;
// everything else is left to the interpreter (identity for ==/!=, TypeError for ordering).
PyRef data_type_richcompare(PyObject* self, PyObject* other, int op) {
  if (op != Py_EQ && op != Py_NE) return not_implemented();
  auto own = try_borrow<DataType>(self, ClassId::DataType);
  if (!own) return not_implemented();
  long number = 0;
  bool known = false;
  if (PyRef index = PyRef::steal(PyNumber_Index(other))) {
    const long value = PyLong_AsLong(index.get());
    known = !(value == -1 && PyErr_Occurred());
    number = value;
  }
  discard_exception();
  if (!known) {
    auto theirs = try_borrow<DataType>(other, ClassId::DataType);
    if (!theirs) return not_implemented();
    number = long(**theirs);
  }
  const bool equal = number == long(**own);
  return PyRef::borrow((op == Py_EQ) == equal ? Py_True : Py_False);
}

PyRef make_float() { return new_data_type(DataType::Float); }
PyRef make_integer() { return new_data_type(DataType::Integer); }

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<data_type_repr>)},
    {Py_nb_int, reinterpret_cast<void*>(&slot_unary<data_type_int>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(&slot_richcompare<data_type_richcompare>)},
};

const ClassAttribute kAttributes[] = {{"FLOAT", &make_float}, {"INTEGER", &make_integer}};

}  // namespace

PyRef new_data_type(DataType value) { return new_instance(ClassId::DataType, value); }

const ClassDef kDataTypeClass{
    .basicsize = sizeof(Instance<DataType>),
    .dealloc = &dealloc_instance<DataType>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = kSlots,
    .methods = nullptr,
    .getset = nullptr,
    .attributes = kAttributes,
};

}  // namespace zorvane
