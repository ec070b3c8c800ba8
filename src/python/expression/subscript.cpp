// Subscript: a placeholder, element or decision variable indexed by expressions (`p[i, j]`).
#include "python/expression/expression_class.hpp"
#include "python/expression/subscripting.hpp"

namespace zorvane {
namespace {

const SubscriptNode& record(const Expr& node) { return as<SubscriptNode>(node); }
Expr held(PyObject* self) { return borrow_node(self, ClassId::Subscript); }

PyRef subscript_variable(PyObject* self) { return expression_into_py(record(held(self)).variable); }
PyRef subscript_subscripts(PyObject* self) {
  const Expr node = held(self);
  return expressions_into_list(record(node).subscripts);
}
PyRef subscript_ndim(PyObject* self) { return checked(PyLong_FromUnsignedLongLong(record(held(self)).ndim)); }

// The lengths of the remaining axes: a decision variable's own shape entries, otherwise one
// array length of this subscript per axis.
PyRef subscript_shape(PyObject* self) {
  const Expr node = held(self);
  const SubscriptNode& s = record(node);
  if (s.variable->tag != Tag::DecisionVar) return lengths_tuple(node);
  const std::vector<Expr>& shape = as<DecisionVarNode>(s.variable).shape;
  const std::size_t first = s.subscripts.size();
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(s.ndim)));
  for (std::size_t k = 0; k < s.ndim; ++k) {
    PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(k), expression_into_py(shape[first + k]).release());
  }
  return tuple;
}

PyGetSetDef kGetters[] = {
    getter<subscript_variable>("variable"),
    getter<subscript_subscripts>("subscripts"),
    getter<subscript_ndim>("ndim"),
    getter<subscript_shape>("shape"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    len_at_entry<ClassId::Subscript>(),
    set_latex_entry<ClassId::Subscript>(),
    repr_latex_entry<ClassId::Subscript>(),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSubscriptSlot[] = {
    {Py_mp_subscript, reinterpret_cast<void*>(&slot_binary<getitem_method<ClassId::Subscript>>)},
};

}  // namespace

const ClassDef kSubscriptClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = kExpressionSlots<ClassId::Subscript, subscript_into_scalar>,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
    .more_slots = kSubscriptSlot,
};

}  // namespace zorvane
