// The five decision-variable classes, generated from one template over the variable's kind.
#include "core/expression/decision_var.hpp"
#include "core/expression/indexing.hpp"
#include "python/expression/dummy_indexed_var.hpp"
#include "python/expression/expression_class.hpp"
#include "python/expression/subscripting.hpp"

namespace zorvane {
namespace {

constexpr ClassId class_of(DecisionVarKind kind) { return class_for_node(Tag::DecisionVar, std::uint8_t(kind)); }

// The constructor's signature of each class.
template <DecisionVarKind Kind>
constexpr Signature kNew =
    Kind == DecisionVarKind::Binary
        ? make_signature(class_name(ClassId::BinaryVar), "__new__",
                         {positional("name"), keyword_only("shape", "None"), keyword_only("latex", "None"),
                          keyword_only("description", "None")})
        : make_signature(class_name(class_of(Kind)), "__new__",
                         {positional("name"), keyword_only("shape", "None"), keyword_only("lower_bound"),
                          keyword_only("upper_bound"), keyword_only("latex", "None"),
                          keyword_only("description", "None")});

// `shape`: None is a scalar; otherwise a sequence of expressions (not a str).
std::vector<Expr> shape_from_pyobject(PyObject* object) {
  if (object == nullptr || object == Py_None) return {};
  return expressions_from_sequence(object);
}

// A bound: an expression, an array placeholder, or a subscript of a placeholder with axes
// left. Every other object (the refusals of the last two forms included) gets one message.
Bound bound_from_pyobject(PyObject* object) {
  if (std::optional<Expr> expression = try_expression(object)) {
    return bound_from_expression(std::move(*expression));
  }
  if (std::optional<Expr> node = held_node(object)) {
    if (std::optional<Bound> bound = array_bound(*node)) return std::move(*bound);
  }
  raise_modeling("the input object is not used as the bound of a decision variable");
}

template <DecisionVarKind Kind>
PyRef decision_var_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  constexpr bool kBounded = Kind != DecisionVarKind::Binary;
  const Arguments arguments = parse_arguments(kNew<Kind>, args, nargs, kwnames);
  std::string name = convert_argument(arguments, kNew<Kind>.param("name"), to_utf8);
  std::vector<Expr> shape = convert_argument(arguments, kNew<Kind>.param("shape"), shape_from_pyobject);
  Bound lower = binary_var_lower_bound();
  Bound upper = binary_var_upper_bound();
  if constexpr (kBounded) {
    lower = convert_argument(arguments, kNew<Kind>.param("lower_bound"), bound_from_pyobject);
    upper = convert_argument(arguments, kNew<Kind>.param("upper_bound"), bound_from_pyobject);
  }
  Text latex = convert_argument(arguments, kNew<Kind>.param("latex"), to_optional_utf8);
  Text description = convert_argument(arguments, kNew<Kind>.param("description"), to_optional_utf8);
  return new_instance(class_of(Kind), build_decision_var(Kind, std::move(name), std::move(shape), std::move(lower),
                                                       std::move(upper), std::move(description), std::move(latex)));
}

// ---- Getters ----------------------------------------------------------------------------

template <DecisionVarKind Kind>
Expr held(PyObject* self) {
  return borrow_node(self, class_of(Kind));
}
const DecisionVarNode& record(const Expr& node) { return as<DecisionVarNode>(node); }

template <DecisionVarKind Kind>
PyRef var_name(PyObject* self) {
  return new_str(record(held<Kind>(self)).name);
}
template <DecisionVarKind Kind>
PyRef var_description(PyObject* self) {
  const Expr node = held<Kind>(self);
  const Text& description = record(node).description;
  return new_str(description ? *description : std::string());
}
template <DecisionVarKind Kind>
PyRef var_ndim(PyObject* self) {
  return checked(PyLong_FromSize_t(record(held<Kind>(self)).shape.size()));
}
template <DecisionVarKind Kind>
PyRef var_shape(PyObject* self) {
  const Expr node = held<Kind>(self);
  const std::vector<Expr>& shape = record(node).shape;
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(shape.size())));
  for (std::size_t k = 0; k < shape.size(); ++k) {
    PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(k), expression_into_py(shape[k]).release());
  }
  return tuple;
}
// A bound's node is the expression, placeholder or subscript it holds.
template <DecisionVarKind Kind>
PyRef var_lower_bound(PyObject* self) {
  return expression_into_py(record(held<Kind>(self)).lower_bound.node);
}
template <DecisionVarKind Kind>
PyRef var_upper_bound(PyObject* self) {
  return expression_into_py(record(held<Kind>(self)).upper_bound.node);
}

template <DecisionVarKind Kind>
PyGetSetDef kGetters[] = {
    getter<var_name<Kind>>("name"),
    getter<var_description<Kind>>("description"),
    getter<var_ndim<Kind>>("ndim"),
    getter<var_shape<Kind>>("shape"),
    getter<var_lower_bound<Kind>>("lower_bound"),
    getter<var_upper_bound<Kind>>("upper_bound"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
// BinaryVar has no bound getters: its table ends before them.
template <>
PyGetSetDef kGetters<DecisionVarKind::Binary>[] = {
    getter<var_name<DecisionVarKind::Binary>>("name"),
    getter<var_description<DecisionVarKind::Binary>>("description"),
    getter<var_ndim<DecisionVarKind::Binary>>("ndim"),
    getter<var_shape<DecisionVarKind::Binary>>("shape"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <DecisionVarKind Kind>
PyMethodDef kMethods[] = {
    set_latex_entry<class_of(Kind)>(),
    repr_latex_entry<class_of(Kind)>(),
    {nullptr, nullptr, 0, nullptr},
};

// ---- Subscripting and division ----------------------------------------------------------

// `x[key]`: a key with a slice gives a DummyIndexedVar; otherwise a Subscript. Modelling errors
// are raised as they are (unlike the operand classes, which rewrap them).
template <DecisionVarKind Kind>
PyRef var_getitem(PyObject* self, PyObject* key) {
  const Borrow<Expr> held = borrow<Expr>(self, class_of(Kind));
  std::optional<Expr> one = key_expression(key);  // the usual `x[k]`: no list of key items
  KeyItems items = one ? KeyItems{} : parse_subscript_items(key);
  if (!items.slices.empty()) return dummy_indexed_var_from_key(*held, items);
  Expr variable = into_subscripted_variable(*held);
  ExprList subscripts = one ? ExprList(std::move(*one)) : ExprList(std::move(items.expressions));
  validate_subscripts(subscripts);
  return expression_into_py(build_subscript(std::move(variable), std::move(subscripts)));
}

// The divisor is converted before the variable's scalar check; a variable never divides.
template <DecisionVarKind Kind>
PyRef var_true_divide(PyObject* left, PyObject* right) {
  if (auto self = try_borrow<Expr>(left, class_of(Kind))) {
    Expr divisor = expression_from_pyobject(right);
    return expression_into_py(decision_var_true_divide(**self, std::move(divisor)));
  }
  if (auto self = try_borrow<Expr>(right, class_of(Kind))) {
    Expr dividend = expression_from_pyobject(left);
    decision_var_reflected_true_divide(**self, *dividend);
  }
  return not_implemented();
}

// The operand slots without a remainder slot, and with the decision variables' division.
template <DecisionVarKind Kind, ClassId Id = class_of(Kind)>
const PyType_Slot kSlots[] = {
    {Py_nb_add, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, decision_var_into_scalar, build_add>>)},
    {Py_nb_subtract, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, decision_var_into_scalar, build_sub>>)},
    {Py_nb_multiply, reinterpret_cast<void*>(&slot_binary<slots::binary<Id, decision_var_into_scalar, build_mul>>)},
    {Py_nb_true_divide, reinterpret_cast<void*>(&slot_binary<var_true_divide<Kind>>)},
    {Py_nb_power, reinterpret_cast<void*>(&slot_ternary<slots::power<Id, decision_var_into_scalar>>)},
    {Py_nb_negative, reinterpret_cast<void*>(&slot_unary<slots::negative<Id, decision_var_into_scalar>>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(&slot_richcompare<slots::richcompare<Id, decision_var_into_scalar>>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<slots::str<Id>>)},
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<slots::repr<Id>>)},
    {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
    {Py_mp_subscript, reinterpret_cast<void*>(&slot_binary<var_getitem<Kind>>)},
};

template <DecisionVarKind Kind>
ClassDef decision_var_class() {
  return ClassDef{.basicsize = sizeof(Instance<Expr>),
                  .dealloc = &dealloc_instance<Expr>,
                  .tp_new = &constructor_new<decision_var_new<Kind>>,
                  .vectorcall = &constructor_vectorcall<decision_var_new<Kind>>,
                  .constructor = &kNew<Kind>,
                  .slots = kSlots<Kind>,
                  .methods = kMethods<Kind>,
                  .getset = kGetters<Kind>,
                  .attributes = {}};
}

}  // namespace

const ClassDef kBinaryVarClass = decision_var_class<DecisionVarKind::Binary>();
const ClassDef kIntegerVarClass = decision_var_class<DecisionVarKind::Integer>();
const ClassDef kContinuousVarClass = decision_var_class<DecisionVarKind::Continuous>();
const ClassDef kSemiIntegerVarClass = decision_var_class<DecisionVarKind::SemiInteger>();
const ClassDef kSemiContinuousVarClass = decision_var_class<DecisionVarKind::SemiContinuous>();

}  // namespace zorvane
