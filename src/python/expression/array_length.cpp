// ArrayLength: the length of one axis of a placeholder, element or subscript.
#include "core/expression/indexing.hpp"
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::ArrayLength), "__new__",
                                          {positional("array"), positional("axis"), keyword_only("latex", "None"),
                                           keyword_only("description", "None")});

// A placeholder, element or subscript with an axis (not a subscript of a decision variable).
// Every refusal on the way is dropped for the one TypeError "unsupported type".
Expr array_from_pyobject(PyObject* object) {
  if (std::optional<Expr> node = held_node(object)) {
    try {
      return into_array_operand(*node);
    } catch (const Error&) {
    }
  }
  raise(ErrorKind::Type, "unsupported type");
}

PyRef array_length_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Expr array = convert_argument(arguments, kNew.param("array"), array_from_pyobject);
  const std::uint64_t axis = convert_argument(arguments, kNew.param("axis"), to_u64);
  Text latex = convert_argument(arguments, kNew.param("latex"), to_optional_utf8);
  Text description = convert_argument(arguments, kNew.param("description"), to_optional_utf8);
  return new_instance(ClassId::ArrayLength,
                      build_array_length(std::move(array), axis, std::move(latex), std::move(description)));
}

const ArrayLengthNode& record(const Expr& node) { return as<ArrayLengthNode>(node); }
Expr held(PyObject* self) { return borrow_node(self, ClassId::ArrayLength); }

PyRef array_length_array(PyObject* self) { return expression_into_py(record(held(self)).array); }
PyRef array_length_axis(PyObject* self) { return checked(PyLong_FromUnsignedLongLong(record(held(self)).axis)); }
PyRef array_length_description(PyObject* self) {
  const Expr node = held(self);
  const Text& description = record(node).description;
  return description ? new_str(*description) : none();
}

PyGetSetDef kGetters[] = {
    getter<array_length_array>("array"),
    getter<array_length_axis>("axis"),
    getter<array_length_description>("description"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ClassDef kArrayLengthClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = &constructor_new<array_length_new>,
    .vectorcall = &constructor_vectorcall<array_length_new>,
    .constructor = &kNew,
    .slots = kExpressionSlots<ClassId::ArrayLength, self_as_is>,
    .methods = kLatexMethods<ClassId::ArrayLength>,
    .getset = kGetters,
    .attributes = {},
};

}  // namespace zorvane
