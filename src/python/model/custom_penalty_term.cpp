// CustomPenaltyTerm.
#include "python/model/custom_penalty_term.hpp"

#include "python/conversion.hpp"
#include "python/docs.hpp"
#include "python/model/forall.hpp"

namespace zorvane {
namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::CustomPenaltyTerm), "__new__",
                                          {positional("name"), positional("expression"), keyword_only("forall", "None")});

PyRef custom_penalty_term_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  std::string name = convert_argument(arguments, kNew.param("name"), to_utf8);
  Expr expression = convert_argument(arguments, kNew.param("expression"), expression_from_pyobject);
  ForallList forall = extract_optional_forall(arguments[kNew.param("forall")]);
  return custom_penalty_term_into_py(
      new_custom_penalty_term(std::move(name), std::move(expression), std::move(forall)));
}

Borrow<CustomPenaltyTerm> held(PyObject* self) {
  return borrow<CustomPenaltyTerm>(self, ClassId::CustomPenaltyTerm);
}

PyRef custom_penalty_term_repr(PyObject* self) { return new_str(custom_penalty_term_text(*held(self))); }

PyRef custom_penalty_term_repr_latex(PyObject* self) {
  return new_str("\\begin{array}{cccc}\n" + penalty_latex_row(*held(self)) + "\n\\end{array}");
}

PyRef custom_penalty_term_name(PyObject* self) { return new_str(held(self)->name); }
PyRef custom_penalty_term_expression(PyObject* self) { return expression_into_py(held(self)->expression); }
PyRef custom_penalty_term_forall(PyObject* self) { return forall_into_py(held(self)->forall); }

PyMethodDef kMethods[] = {
    noargs_method<custom_penalty_term_repr_latex>("_repr_latex_", docs::kMethodReprLatex),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetters[] = {
    getter<custom_penalty_term_name>("name"),
    getter<custom_penalty_term_expression>("expression"),
    getter<custom_penalty_term_forall>("forall"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<custom_penalty_term_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<custom_penalty_term_repr>)},
};

}  // namespace

CustomPenaltyTerm extract_custom_penalty_term(PyObject* object) {
  return *borrow<CustomPenaltyTerm>(object, ClassId::CustomPenaltyTerm);
}

PyRef custom_penalty_term_into_py(CustomPenaltyTerm term) {
  return new_instance(ClassId::CustomPenaltyTerm, std::move(term));
}

const ClassDef kCustomPenaltyTermClass{
    .basicsize = sizeof(Instance<CustomPenaltyTerm>),
    .dealloc = &dealloc_instance<CustomPenaltyTerm>,
    .tp_new = &constructor_new<custom_penalty_term_new>,
    .vectorcall = &constructor_vectorcall<custom_penalty_term_new>,
    .constructor = &kNew,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
};

}  // namespace zorvane
