// NumberLit: the Python class of a number literal.
#include "core/print/printer.hpp"
#include "python/docs.hpp"
#include "python/expression/data_type.hpp"
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::NumberLit), "__new__", {positional("value")});

// Integer through `__index__` first, then float; when both fail the TypeError names both causes.
NumericValue read_value(PyObject* object) {
  // Exact ints and floats read the same through the general path below, only faster.
  if (PyFloat_CheckExact(object)) return NumericValue::of_float(PyFloat_AS_DOUBLE(object));
  if (PyLong_CheckExact(object)) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (overflow == 0 && !(value == -1 && PyErr_Occurred())) return NumericValue::of_integer(value);
    PyErr_Clear();
  }
  std::int64_t integer = 0;
  PyRef index = PyRef::steal(PyNumber_Index(object));
  if (index) {
    integer = PyLong_AsLong(index.get());
    if (!(integer == -1 && PyErr_Occurred())) return NumericValue::of_integer(integer);
  }
  const std::string integer_error = take_exception_text();
  double real = PyFloat_CheckExact(object) ? PyFloat_AS_DOUBLE(object) : PyFloat_AsDouble(object);
  if (!(real == -1.0 && PyErr_Occurred())) return NumericValue::of_float(real);
  const std::string float_error = take_exception_text();
  raise(ErrorKind::Type,
        "failed to extract enum NumericValue ('Integer | Float')\n"
        "- variant Integer (Integer): TypeError: failed to extract field NumericValue::Integer.0, "
        "caused by " + integer_error +
        "\n- variant Float (Float): TypeError: failed to extract field NumericValue::Float.0, "
        "caused by " + float_error);
}

PyRef number_lit_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  const NumericValue value = convert_argument(arguments, kNew.param("value"), read_value);
  return new_instance(ClassId::NumberLit, make_number(value));
}

NumericValue value_of(PyObject* self) {
  return as<NumberLitNode>(borrow_node(self, ClassId::NumberLit)).value;
}

PyRef number_lit_value(PyObject* self) {
  const NumericValue value = value_of(self);
  return checked(value.is_integer() ? PyLong_FromLongLong(value.integer) : PyFloat_FromDouble(value.real));
}

PyRef number_lit_dtype(PyObject* self) {
  return new_data_type(value_of(self).is_integer() ? DataType::Integer : DataType::Float);
}

// Unlike every other class, the LaTeX form comes back without "$$" delimiters.
PyRef number_lit_repr_latex(PyObject* self) {
  return new_str(render(*borrow_node(self, ClassId::NumberLit), PrintMode::Latex));
}

PyMethodDef kMethods[] = {
    noargs_method<number_lit_repr_latex>("_repr_latex_", docs::kMethodReprLatex),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetters[] = {
    getter<number_lit_value>("value"),
    getter<number_lit_dtype>("dtype"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ClassDef kNumberLitClass{
    .basicsize = sizeof(Instance<Expr>),
    .dealloc = &dealloc_instance<Expr>,
    .tp_new = &constructor_new<number_lit_new>,
    .vectorcall = &constructor_vectorcall<number_lit_new>,
    .constructor = &kNew,
    .slots = kExpressionSlots<ClassId::NumberLit, self_as_is>,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
};

}  // namespace zorvane
