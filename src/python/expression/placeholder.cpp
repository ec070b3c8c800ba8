// Placeholder: a named symbol for instance data, a scalar or an array of `ndim` axes.
#include "python/expression/expression_class.hpp"
#include "python/expression/subscripting.hpp"

namespace zorvane {
namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::Placeholder), "__new__",
                                          {positional("name"), keyword_only("ndim", "0"), keyword_only("latex", "None"),
                                           keyword_only("description", "None")});

PyRef placeholder_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Expr node = make_node<PlaceholderNode>([&](PlaceholderNode& p) {
    p.name = convert_argument(arguments, kNew.param("name"), to_utf8);
    if (arguments[kNew.param("ndim")] != nullptr) {
      p.ndim = convert_argument(arguments, kNew.param("ndim"), to_u64);
    }
    p.latex = convert_argument(arguments, kNew.param("latex"), to_optional_utf8);
    p.description = convert_argument(arguments, kNew.param("description"), to_optional_utf8);
  });
  return new_instance(ClassId::Placeholder, std::move(node));
}

const PlaceholderNode& record(const Expr& node) { return as<PlaceholderNode>(node); }

PyRef placeholder_name(PyObject* self) { return new_str(record(borrow_node(self, ClassId::Placeholder)).name); }
PyRef placeholder_ndim(PyObject* self) {
  return checked(PyLong_FromUnsignedLongLong(record(borrow_node(self, ClassId::Placeholder)).ndim));
}
PyRef placeholder_description(PyObject* self) {
  const Text& description = record(borrow_node(self, ClassId::Placeholder)).description;
  return description ? new_str(*description) : none();
}

PyRef placeholder_shape(PyObject* self) { return lengths_tuple(borrow_node(self, ClassId::Placeholder)); }

PyGetSetDef kGetters[] = {
    getter<placeholder_name>("name"),
    getter<placeholder_ndim>("ndim"),
    getter<placeholder_description>("description"),
    getter<placeholder_shape>("shape"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    len_at_entry<ClassId::Placeholder>(),
    set_latex_entry<ClassId::Placeholder>(),
    repr_latex_entry<ClassId::Placeholder>(),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSubscriptSlot[] = {
    {Py_mp_subscript, reinterpret_cast<void*>(&slot_binary<getitem_method<ClassId::Placeholder>>)},
};

}  // namespace

const ClassDef kPlaceholderClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = &constructor_new<placeholder_new>,
    .vectorcall = &constructor_vectorcall<placeholder_new>,
    .constructor = &kNew,
    .slots = kExpressionSlots<ClassId::Placeholder, placeholder_into_scalar>,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
    .more_slots = kSubscriptSlot,
};

}  // namespace zorvane
