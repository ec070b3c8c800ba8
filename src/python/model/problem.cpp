// Problem and ProblemSense.
#include "python/model/problem.hpp"

#include <array>
#include <optional>

#include "python/conversion.hpp"
#include "python/docs.hpp"
#include "python/frame/attempt.hpp"
#include "python/model/constraint.hpp"
#include "python/model/custom_penalty_term.hpp"
#include "python/model/sense.hpp"

namespace zorvane {
namespace {

// ---- ProblemSense ----

constexpr auto kSenseReprs = std::to_array<const char*>({"ProblemSense.MINIMIZE", "ProblemSense.MAXIMIZE"});
static_assert(kSenseReprs.size() == kProblemSenseCount);

PyRef make_minimize() { return problem_sense_into_py(ProblemSense::Minimize); }
PyRef make_maximize() { return problem_sense_into_py(ProblemSense::Maximize); }

const ClassAttribute kSenseAttributes[] = {{"MINIMIZE", &make_minimize}, {"MAXIMIZE", &make_maximize}};

ProblemSense extract_sense(PyObject* object) {
  return sense::extract<ProblemSense, ClassId::ProblemSense>(object);
}

// ---- Problem ----

constexpr Signature kNew =
    make_signature(class_name(ClassId::Problem), "__new__", {positional("name"), keyword_only("sense", "...")});

PyRef problem_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  std::string name = convert_argument(arguments, kNew.param("name"), to_utf8);
  ProblemSense sense = ProblemSense::Minimize;
  if (arguments[kNew.param("sense")] != nullptr) {
    sense = convert_argument(arguments, kNew.param("sense"), extract_sense);
  }
  return problem_into_py(new_problem(std::move(name), sense));
}

Borrow<Problem> held(PyObject* self) { return borrow<Problem>(self, ClassId::Problem); }

PyRef problem_name(PyObject* self) { return new_str(held(self)->name); }
PyRef problem_sense(PyObject* self) { return problem_sense_into_py(held(self)->sense); }
PyRef problem_objective(PyObject* self) { return expression_into_py(held(self)->objective); }

template <class Map, class IntoPy>
PyRef map_into_dict(const Map& map, IntoPy into_py) {
  PyRef dict = checked(PyDict_New());
  for (const auto& [name, value] : map) {
    PyRef key = new_str(name);
    PyRef object = into_py(value);
    if (PyDict_SetItem(dict.get(), key.get(), object.get()) < 0) throw PythonError{};
  }
  return dict;
}

PyRef problem_constraints(PyObject* self) {
  // Copied out first: building the objects must not run while the problem is borrowed.
  const auto constraints = held(self)->constraints;
  return map_into_dict(constraints, [](const Constraint& c) { return constraint_into_py(c); });
}

PyRef problem_custom_penalty_terms(PyObject* self) {
  const auto terms = held(self)->custom_penalty_terms;
  return map_into_dict(terms, [](const CustomPenaltyTerm& t) { return custom_penalty_term_into_py(t); });
}

void problem_set_sense(PyObject* self, PyObject* value) {
  const ProblemSense sense = extract_sense(value);  // converted before the problem is borrowed
  borrow_mut<Problem>(self, ClassId::Problem)->sense = sense;
}

PyRef problem_repr_latex(PyObject* self) { return new_str(problem_latex(*held(self))); }

// An expression, a constraint or a custom penalty term, read in that order; the first reading
// that applies decides (see `set_objective` and the adders for the checks). Constraints and
// penalty terms are told by their class first: neither reads as an expression or as the other,
// so the order is kept without a failed reading.
PyRef problem_iadd(PyObject* self, PyObject* other) {
  if (!is_instance(self, ClassId::Problem) || instance_of<Problem>(self)->borrow != 0) {
    return not_implemented();
  }
  BorrowMut<Problem> problem = borrow_mut<Problem>(self, ClassId::Problem);
  const std::optional<ClassId> id = class_of(other);
  if (id == ClassId::Constraint) {
    if (std::optional<Constraint> constraint = held_copy<Constraint>(other, *id)) {
      add_constraint(*problem, std::move(*constraint));
      return PyRef::borrow(self);
    }
  } else if (id == ClassId::CustomPenaltyTerm) {
    if (std::optional<CustomPenaltyTerm> term = held_copy<CustomPenaltyTerm>(other, *id)) {
      add_custom_penalty_term(*problem, std::move(*term));
      return PyRef::borrow(self);
    }
  }
  Expr expression;
  if (attempt([&] { expression = expression_from_pyobject(other); })) {
    set_objective(*problem, std::move(expression));
    return PyRef::borrow(self);
  }
  Constraint constraint;
  if (attempt([&] { constraint = extract_constraint(other); })) {
    add_constraint(*problem, std::move(constraint));
    return PyRef::borrow(self);
  }
  CustomPenaltyTerm term;
  if (attempt([&] { term = extract_custom_penalty_term(other); })) {
    add_custom_penalty_term(*problem, std::move(term));
    return PyRef::borrow(self);
  }
  raise(ErrorKind::Type, "unsupported operand type(s) for +=");
}

PyMethodDef kMethods[] = {
    noargs_method<problem_repr_latex>("_repr_latex_", docs::kMethodReprLatex),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetters[] = {
    getter<problem_name>("name"),
    getter_setter<problem_sense, problem_set_sense>("sense"),
    getter<problem_objective>("objective"),
    getter<problem_constraints>("constraints"),
    getter<problem_custom_penalty_terms>("custom_penalty_terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_nb_inplace_add, reinterpret_cast<void*>(&slot_binary<problem_iadd>)},
};

}  // namespace

Problem extract_problem(PyObject* object) { return *borrow<Problem>(object, ClassId::Problem); }

PyRef problem_into_py(Problem problem) { return new_instance(ClassId::Problem, std::move(problem)); }

PyRef problem_sense_into_py(ProblemSense sense) { return new_instance(ClassId::ProblemSense, sense); }

const ClassDef kProblemClass{
    .basicsize = sizeof(Instance<Problem>),
    .dealloc = &dealloc_instance<Problem>,
    .tp_new = &constructor_new<problem_new>,
    .vectorcall = &constructor_vectorcall<problem_new>,
    .constructor = &kNew,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetters,
    .attributes = {},
};

const ClassDef kProblemSenseClass{
    .basicsize = sizeof(Instance<ProblemSense>),
    .dealloc = &dealloc_instance<ProblemSense>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = sense::kSlots<ProblemSense, ClassId::ProblemSense, kSenseReprs>,
    .methods = nullptr,
    .getset = nullptr,
    .attributes = kSenseAttributes,
};

}  // namespace zorvane
