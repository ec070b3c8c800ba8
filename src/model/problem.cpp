// Problem and ProblemSense.
#include "model/problem.hpp"

#include <array>

#include "lib/docs.hpp"
#include "lib/registry.hpp"
#include "model/attempt.hpp"
#include "model/expression/conversion.hpp"
#include "model/name_check.hpp"
#include "model/sense.hpp"

namespace zorvane {
namespace {

// ---- ProblemSense ----

constexpr std::array<const char*, 2> kSenseReprs{"ProblemSense.MINIMIZE", "ProblemSense.MAXIMIZE"};

PyRef make_minimize() { return problem_sense_into_py(ProblemSense::Minimize); }
PyRef make_maximize() { return problem_sense_into_py(ProblemSense::Maximize); }

const ClassAttribute kSenseAttributes[] = {{"MINIMIZE", &make_minimize}, {"MAXIMIZE", &make_maximize}};

ProblemSense extract_sense(PyObject* object) {
  return sense::extract<ProblemSense, ClassId::ProblemSense>(object);
}

// ---- Problem ----

constexpr Signature kNew{.owner = class_name(ClassId::Problem),
                         .function = "__new__",
                         .names = {"name", "sense"},
                         .positional = 1,
                         .required_positional = 1,
                         .keyword_only = 1};

PyRef problem_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Problem problem;
  problem.name = convert_argument("name", [&] { return to_string(arguments[0]); });
  if (arguments[1] != nullptr) problem.sense = convert_argument("sense", [&] { return extract_sense(arguments[1]); });
  problem.objective = make_number(NumericValue::of_integer(0));
  return problem_into_py(std::move(problem));
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

int problem_set_sense(PyObject* self, PyObject* value, void*) {
  return guard<int>(-1, [&] {
    if (value == nullptr) {
      PyErr_SetString(PyExc_AttributeError, "can't delete attribute");
      throw PythonError{};
    }
    const ProblemSense sense = extract_sense(value);  // converted before the problem is borrowed
    BorrowMut<Problem> problem = borrow_mut<Problem>(self, ClassId::Problem);
    problem->sense = sense;
    return 0;
  });
}

PyRef problem_repr_latex(PyObject* self) { return new_str(problem_latex(*held(self))); }

// The registry of everything in the problem but the objective.
void register_constraints(NameRegistry& registry, const Problem& problem, const std::string* skip) {
  for (const auto& [name, constraint] : problem.constraints) {
    if (skip != nullptr && name == *skip) continue;
    walk_expression(registry, *constraint.left);
    walk_expression(registry, *constraint.right);
  }
}

void register_penalties(NameRegistry& registry, const Problem& problem, const std::string* skip) {
  for (const auto& [name, term] : problem.custom_penalty_terms) {
    if (skip != nullptr && name == *skip) continue;
    walk_expression(registry, *term.expression);
  }
}

void check_names(NameRegistry& registry, std::initializer_list<const Node*> expressions) {
  const std::vector<std::string> conflicts = registry.check(expressions);
  if (!conflicts.empty()) raise_duplicated_name(conflicts);
}

// An expression becomes the objective; a constraint or penalty term is stored under its name,
// replacing one of the same name. Each is first checked against the rest of the problem (never
// against the entry it replaces). A failed `+=` changes nothing.
PyRef problem_iadd(PyObject* self, PyObject* other) {
  if (!is_instance(self, ClassId::Problem) || instance_of<Problem>(self)->borrow != 0) {
    return not_implemented();
  }
  BorrowMut<Problem> problem = borrow_mut<Problem>(self, ClassId::Problem);

  Expr expression;
  if (attempt([&] { expression = expression_from_pyobject(other); })) {
    NameRegistry registry;
    register_constraints(registry, *problem, nullptr);
    register_penalties(registry, *problem, nullptr);
    check_names(registry, {expression.get()});
    problem->objective = std::move(expression);
    return PyRef::borrow(self);
  }

  Constraint constraint;
  if (attempt([&] { constraint = extract_constraint(other); })) {
    NameRegistry registry;
    walk_expression(registry, *problem->objective);
    register_constraints(registry, *problem, &constraint.name);
    register_penalties(registry, *problem, nullptr);
    check_names(registry, {constraint.left.get(), constraint.right.get()});
    std::string key = constraint.name;
    problem->constraints.insert_or_assign(std::move(key), std::move(constraint));
    return PyRef::borrow(self);
  }

  CustomPenaltyTerm term;
  if (attempt([&] { term = extract_custom_penalty_term(other); })) {
    NameRegistry registry;
    walk_expression(registry, *problem->objective);
    register_constraints(registry, *problem, nullptr);
    register_penalties(registry, *problem, &term.name);
    check_names(registry, {term.expression.get()});
    std::string key = term.name;
    problem->custom_penalty_terms.insert_or_assign(std::move(key), std::move(term));
    return PyRef::borrow(self);
  }

  raise(ErrorKind::Type, "unsupported operand type(s) for +=");
}

PyMethodDef kMethods[] = {
    noargs_method<problem_repr_latex>("_repr_latex_", docs::kMethodDocReprLatex),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetters[] = {
    getter<problem_name>("name"),
    {"sense", &slot_getter<problem_sense>, &problem_set_sense, nullptr, nullptr},
    getter<problem_objective>("objective"),
    getter<problem_constraints>("constraints"),
    getter<problem_custom_penalty_terms>("custom_penalty_terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_nb_inplace_add, reinterpret_cast<void*>(&slot_binary<problem_iadd>)},
};

}  // namespace

bool problem_eq(const Problem& a, const Problem& b) {
  if (a.name != b.name || a.sense != b.sense || !expression_eq(*a.objective, *b.objective)) return false;
  if (a.constraints.size() != b.constraints.size() ||
      a.custom_penalty_terms.size() != b.custom_penalty_terms.size()) {
    return false;
  }
  for (auto x = a.constraints.begin(), y = b.constraints.begin(); x != a.constraints.end(); ++x, ++y) {
    if (x->first != y->first || !constraint_eq(x->second, y->second)) return false;
  }
  for (auto x = a.custom_penalty_terms.begin(), y = b.custom_penalty_terms.begin();
       x != a.custom_penalty_terms.end(); ++x, ++y) {
    if (x->first != y->first || !custom_penalty_term_eq(x->second, y->second)) return false;
  }
  return true;
}

Problem extract_problem(PyObject* object) { return *borrow<Problem>(object, ClassId::Problem); }

PyRef problem_into_py(Problem problem) { return new_instance(ClassId::Problem, std::move(problem)); }

PyRef problem_sense_into_py(ProblemSense sense) { return new_instance(ClassId::ProblemSense, sense); }

const ClassDef kProblemClass{
    .basicsize = sizeof(Instance<Problem>),
    .dealloc = &dealloc_instance<Problem>,
    .tp_new = &constructor_new<problem_new>,
    .vectorcall = &constructor_vectorcall<problem_new>,
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
