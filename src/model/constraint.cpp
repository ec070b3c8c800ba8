// Constraint and ConstraintSense.
#include "model/constraint.hpp"

#include <array>

#include "lib/docs.hpp"
#include "lib/registry.hpp"
#include "model/expression/arithmetic.hpp"
#include "model/expression/conversion.hpp"
#include "model/sense.hpp"
#include "print/printer.hpp"

namespace zorvane {
namespace {

// ---- ConstraintSense ----

constexpr std::array<const char*, 3> kSenseReprs{
    "ConstraintSense.EQUAL", "ConstraintSense.LESS_THAN_EQUAL", "ConstraintSense.GREATER_THAN_EQUAL"};

PyRef make_equal() { return constraint_sense_into_py(ConstraintSense::Equal); }
PyRef make_less_than_equal() { return constraint_sense_into_py(ConstraintSense::LessThanEqual); }
PyRef make_greater_than_equal() { return constraint_sense_into_py(ConstraintSense::GreaterThanEqual); }

const ClassAttribute kSenseAttributes[] = {
    {"EQUAL", &make_equal},
    {"LESS_THAN_EQUAL", &make_less_than_equal},
    {"GREATER_THAN_EQUAL", &make_greater_than_equal},
};

// ---- Constraint ----

constexpr const char* kInvalidRelation =
    "Invalid constraint -- conditional must be a valid equality or non-strict inequality (==, >=, "
    "or <= only)";

constexpr Signature kNew{.owner = class_name(ClassId::Constraint),
                         .function = "__new__",
                         .names = {"name", "expression", "forall"},
                         .positional = 2,
                         .required_positional = 2,
                         .keyword_only = 1};

ComparisonKind comparison_kind(ConstraintSense sense) noexcept {
  switch (sense) {
    case ConstraintSense::Equal: return ComparisonKind::Equal;
    case ConstraintSense::LessThanEqual: return ComparisonKind::LessThanEqual;
    case ConstraintSense::GreaterThanEqual: return ComparisonKind::GreaterThanEqual;
  }
  return ComparisonKind::Equal;
}

ConstraintSense sense_of(const Node& condition) {
  if (condition.tag == Tag::Comparison) {
    switch (as<ComparisonNode>(condition).op()) {
      case ComparisonKind::Equal: return ConstraintSense::Equal;
      case ComparisonKind::LessThanEqual: return ConstraintSense::LessThanEqual;
      case ComparisonKind::GreaterThanEqual: return ConstraintSense::GreaterThanEqual;
      default: break;
    }
  }
  raise_modeling(kInvalidRelation);
}

PyRef constraint_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  std::string name = convert_argument("name", [&] { return to_string(arguments[0]); });
  Expr condition = convert_argument("expression", [&] { return conditional_from_pyobject(arguments[1]); });
  ForallList forall = extract_optional_forall(arguments[2]);
  validate_forall(forall, condition_scope(*condition));
  const ConstraintSense sense = sense_of(*condition);
  const auto& comparison = as<ComparisonNode>(condition);
  return constraint_into_py(
      new_constraint(std::move(name), sense, comparison.left, comparison.right, std::move(forall)));
}

Borrow<Constraint> held(PyObject* self) { return borrow<Constraint>(self, ClassId::Constraint); }

std::string constraint_text(const Constraint& constraint) {
  std::string out = "Constraint(name=\"" + constraint.name + "\", expression=" +
                    render(*constraint_condition(constraint), PrintMode::Str);
  if (!constraint.forall.empty()) out += ", forall=" + forall_repr(constraint.forall);
  return out + ")";
}

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
    noargs_method<constraint_is_equality>("is_equality", nullptr),
    noargs_method<constraint_is_inequality>("is_inequality", nullptr),
    noargs_method<constraint_repr_latex>("_repr_latex_", docs::kMethodDocReprLatex),
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

Constraint new_constraint(std::string name, ConstraintSense sense, Expr left, Expr right,
                          ForallList forall) {
  if (!contains_decision_variable(*left) && !contains_decision_variable(*right)) {
    raise_modeling("expression does not contain a decision variable");
  }
  return Constraint{std::move(name), std::move(forall), std::move(left), std::move(right), sense};
}

Expr constraint_condition(const Constraint& constraint) {
  return make_comparison(comparison_kind(constraint.sense), constraint.left, constraint.right);
}

std::string constraint_latex_row(const Constraint& constraint) {
  return " & \\text{" + escape_latex_text(constraint.name) + "} & \\displaystyle " +
         render_latex(*constraint_condition(constraint)) + " & " + forall_latex(constraint.forall) +
         " \\\\";
}

bool constraint_eq(const Constraint& a, const Constraint& b) {
  return a.name == b.name && a.sense == b.sense && expression_eq(*a.left, *b.left) &&
         expression_eq(*a.right, *b.right) && forall_list_eq(a.forall, b.forall);
}

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
