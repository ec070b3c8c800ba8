// Constraint and ConstraintSense.
#include "python/model/constraint.hpp"

#include <array>

#include "python/conversion.hpp"
#include "python/docs.hpp"
#include "python/model/forall.hpp"
#include "python/model/sense.hpp"

namespace zorvane {
namespace {

// ---- ConstraintSense ----

constexpr auto kSenseReprs = std::to_array<const char*>(
    {"ConstraintSense.EQUAL", "ConstraintSense.LESS_THAN_EQUAL", "ConstraintSense.GREATER_THAN_EQUAL"});
static_assert(kSenseReprs.size() == kConstraintSenseCount);

PyRef make_equal() { return constraint_sense_into_py(ConstraintSense::Equal); }
PyRef make_less_than_equal() { return constraint_sense_into_py(ConstraintSense::LessThanEqual); }
PyRef make_greater_than_equal() { return constraint_sense_into_py(ConstraintSense::GreaterThanEqual); }

const ClassAttribute kSenseAttributes[] = {
    {"EQUAL", &make_equal},
    {"LESS_THAN_EQUAL", &make_less_than_equal},
    {"GREATER_THAN_EQUAL", &make_greater_than_equal},
};

// ---- Constraint ----

constexpr Signature kNew = make_signature(class_name(ClassId::Constraint), "__new__",
                                          {positional("name"), positional("expression"), keyword_only("forall", "None")});

PyRef constraint_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  std::string name = convert_argument(arguments, kNew.param("name"), to_utf8);
  Expr condition = convert_argument(arguments, kNew.param("expression"), conditional_from_pyobject);
  ForallList forall = extract_optional_forall(arguments[kNew.param("forall")]);
  return constraint_into_py(new_constraint(std::move(name), condition, std::move(forall)));
}

Borrow<Constraint> held(PyObject* self) { return borrow<Constraint>(self, ClassId::Constraint); }

PyRef constraint_repr(PyObject* self) { return new_str(constraint_text(*held(self))); }

PyRef constraint_repr_latex(PyObject* self) {
  return new_str("\\begin{array}{cccc}\n" + constraint_latex_row(*held(self)) + "\n\\end{array}");
}

PyRef constraint_is_equality(PyObject* self) {
  return PyRef::borrow(held(self)->sense == ConstraintSense::Equal ? Py_True : Py_False);
}
PyRef constraint_is_inequality(PyObject* self) {
  return PyRef::borrow(held(self)->sense != ConstraintSense::Equal ? Py_True : Py_False);
}

PyRef constraint_name(PyObject* self) { return new_str(held(self)->name); }
PyRef constraint_sense(PyObject* self) { return constraint_sense_into_py(held(self)->sense); }
PyRef constraint_left(PyObject* self) { return expression_into_py(held(self)->left); }
PyRef constraint_right(PyObject* self) { return expression_into_py(held(self)->right); }
PyRef constraint_forall(PyObject* self) { return forall_into_py(held(self)->forall); }
PyRef constraint_expression(PyObject* self) { return expression_into_py(constraint_condition(*held(self))); }

PyMethodDef kMethods[] = {
    undocumented_noargs_method<constraint_is_equality>("is_equality"),
    undocumented_noargs_method<constraint_is_inequality>("is_inequality"),
    noargs_method<constraint_repr_latex>("_repr_latex_", docs::kMethodReprLatex),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetters[] = {
    getter<constraint_name>("name"),
    getter<constraint_sense>("sense"),
    getter<constraint_left>("left"),
    getter<constraint_right>("right"),
    getter<constraint_forall>("forall"),
    getter<constraint_expression>("expression"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<constraint_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<constraint_repr>)},
};

}  // namespace

Constraint extract_constraint(PyObject* object) { return *borrow<Constraint>(object, ClassId::Constraint); }

PyRef constraint_into_py(Constraint constraint) {
  return new_instance(ClassId::Constraint, std::move(constraint));
}

PyRef constraint_sense_into_py(ConstraintSense sense) {
  return new_instance(ClassId::ConstraintSense, sense);
}

const ClassDef kConstraintClass{
    .basicsize = sizeof(Instance<Constraint>),
    .dealloc = &dealloc_instance<Constraint>,
    .tp_new = &constructor_new<constraint_new>,
    .vectorcall = &constructor_vectorcall<constraint_new>,
    .constructor = &kNew,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
};

const ClassDef kConstraintSenseClass{
    .basicsize = sizeof(Instance<ConstraintSense>),
    .dealloc = &dealloc_instance<ConstraintSense>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = sense::kSlots<ConstraintSense, ClassId::ConstraintSense, kSenseReprs>,
    .methods = nullptr,
    .getset = nullptr,
    .attributes = kSenseAttributes,
};

}  // namespace zorvane
