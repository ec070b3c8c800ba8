// Range: the half-open interval [start, end) of an element; only `Element.belong_to` makes one.
#include <fmt/format.h>

#include "core/print/printer.hpp"
#include "python/conversion.hpp"

namespace zorvane {
namespace {

const RangeNode& range_of(const Expr& node) { return as<RangeNode>(node); }

PyRef range_start(PyObject* self) { return expression_into_py(range_of(borrow_node(self, ClassId::Range)).start); }
PyRef range_end(PyObject* self) { return expression_into_py(range_of(borrow_node(self, ClassId::Range)).end); }

// "[0..10)": the bounds as they read inside messages. (Formatted, not concatenated: GCC 12 at
// -O3 warns falsely, -Wrestrict, on `"[" + std::string`.)
PyRef range_str(PyObject* self) {
  const Expr node = borrow_node(self, ClassId::Range);
  return new_str(fmt::format("[{}..{})", expression_str(*range_of(node).start), expression_str(*range_of(node).end)));
}

// "(NumberLit(value=0), NumberLit(value=10))"
PyRef range_repr(PyObject* self) {
  const Expr node = borrow_node(self, ClassId::Range);
  return new_str(
      fmt::format("({}, {})", expression_repr(*range_of(node).start), expression_repr(*range_of(node).end)));
}

PyGetSetDef kGetters[] = {
    getter<range_start>("start"),
    getter<range_end>("end"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<range_str>)},
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<range_repr>)},
};

}  // namespace

const ClassDef kRangeClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = kSlots,
    .methods = nullptr,
    .getset = kGetters,
    .attributes = {},
};

}  // namespace zorvane
