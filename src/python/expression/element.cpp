// Element: the index variable of sums, products and foralls, over a range or an array's items.
#include "core/expression/indexing.hpp"
#include "python/expression/expression_class.hpp"
#include "python/expression/subscripting.hpp"

namespace zorvane {
namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::Element), "__new__",
                                          {positional("name"), positional("belong_to"), keyword_only("latex", "None"),
                                           keyword_only("description", "None")});

// An integer through `__index__` that fits in 64 bits; other objects give nothing.
std::optional<std::int64_t> try_integer(PyObject* object) {
  PyRef index = PyRef::steal(PyNumber_Index(object));
  if (index) {
    const long value = PyLong_AsLong(index.get());
    if (!(value == -1 && PyErr_Occurred())) return std::int64_t(value);
  }
  discard_exception();
  return std::nullopt;
}

// The set `belong_to` stands for. The readings are tried in a fixed order and the first that
// applies decides: an integer n (the range from 0 to n), a pair (start, end), an expression
// (the range from 0 to it), then a placeholder, element or subscript with an axis. The range
// checks of the reading that applies are raised as they are.
Expr element_set_from_pyobject(PyObject* object) {
  if (std::optional<std::int64_t> end = try_integer(object)) {
    return expression_into_element_set(make_number(NumericValue::of_integer(*end)));
  }
  if (PyTuple_Check(object) && PyTuple_GET_SIZE(object) == 2) {
    if (std::optional<Expr> start = try_expression(PyTuple_GET_ITEM(object, 0))) {
      if (std::optional<Expr> end = try_expression(PyTuple_GET_ITEM(object, 1))) {
        return build_range(std::move(*start), std::move(*end));
      }
    }
  }
  if (std::optional<Expr> end = try_expression(object)) {
    return expression_into_element_set(std::move(*end));
  }
  if (std::optional<Expr> node = held_node(object)) {
    const Tag tag = (*node)->tag;
    if (tag == Tag::Placeholder || tag == Tag::Element || tag == Tag::Subscript) {
      return operand_into_element_set(*node);
    }
  }
  raise(ErrorKind::Type, "failed to convert into a set");
}

PyRef element_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  std::string name = convert_argument(arguments, kNew.param("name"), to_utf8);
  Text latex = convert_argument(arguments, kNew.param("latex"), to_optional_utf8);
  Text description = convert_argument(arguments, kNew.param("description"), to_optional_utf8);
  Expr set = element_set_from_pyobject(arguments[kNew.param("belong_to")]);
  return new_instance(ClassId::Element,
                      Expr(make_element(std::move(name), std::move(set), std::move(description), std::move(latex))));
}

const ElementNode& record(const Expr& node) { return as<ElementNode>(node); }
Expr held(PyObject* self) { return borrow_node(self, ClassId::Element); }

PyRef element_name(PyObject* self) { return new_str(record(held(self)).name); }
PyRef element_ndim(PyObject* self) { return checked(PyLong_FromUnsignedLongLong(record(held(self)).ndim)); }
PyRef element_belong_to(PyObject* self) { return expression_into_py(record(held(self)).set); }
PyRef element_description(PyObject* self) {
  const Expr node = held(self);
  const Text& description = record(node).description;
  return description ? new_str(*description) : none();
}
PyRef element_shape(PyObject* self) { return lengths_tuple(held(self)); }

PyGetSetDef kGetters[] = {
    getter<element_name>("name"),
    getter<element_ndim>("ndim"),
    getter<element_belong_to>("belong_to"),
    getter<element_description>("description"),
    getter<element_shape>("shape"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    len_at_entry<ClassId::Element>(),
    set_latex_entry<ClassId::Element>(),
    repr_latex_entry<ClassId::Element>(),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSubscriptSlot[] = {
    {Py_mp_subscript, reinterpret_cast<void*>(&slot_binary<getitem_method<ClassId::Element>>)},
};

}  // namespace

const ClassDef kElementClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = &constructor_new<element_new>,
    .vectorcall = &constructor_vectorcall<element_new>,
    .constructor = &kNew,
    .slots = kExpressionSlots<ClassId::Element, element_into_scalar>,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
    .more_slots = kSubscriptSlot,
};

}  // namespace zorvane
