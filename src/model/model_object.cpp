// Reading and walking the objects that extract_nodes and extract_variables accept.
#include "model/model_object.hpp"

#include "binding/compat.hpp"
#include "model/attempt.hpp"
#include "model/expression/conversion.hpp"

namespace zorvane {
namespace {

template <class Read>
std::optional<ModelObject> read_as(PyObject* object, Read read) {
  std::optional<ModelObject> out;
  attempt([&] { out.emplace(read(object)); });
  return out;
}

struct Walker {
  ExpressionVisitor& visitor;
  void operator()(const Expr& expression) const { walk_expression(visitor, *expression); }
  void operator()(const ConditionValue& condition) const { walk_expression(visitor, *condition.node); }
  void operator()(const Problem& problem) const {
    walk_expression(visitor, *problem.objective);
    for (const auto& [name, constraint] : problem.constraints) walk_constraint(visitor, constraint);
    for (const auto& [name, term] : problem.custom_penalty_terms) walk_custom_penalty_term(visitor, term);
  }
  void operator()(const Constraint& constraint) const { walk_constraint(visitor, constraint); }
  void operator()(const CustomPenaltyTerm& term) const { walk_custom_penalty_term(visitor, term); }
  void operator()(const ForallList& list) const {
    for (const ForallItem& item : list) walk_forall_item(visitor, item);
  }
};

}  // namespace

std::optional<ModelObject> read_model_object(PyObject* object) {
  if (auto read = read_as(object, [](PyObject* o) { return expression_from_pyobject(o); })) return read;
  if (auto read = read_as(object, [](PyObject* o) { return ConditionValue{conditional_from_pyobject(o)}; })) return read;
  if (auto read = read_as(object, extract_problem)) return read;
  if (auto read = read_as(object, extract_constraint)) return read;
  if (auto read = read_as(object, extract_custom_penalty_term)) return read;
  return read_as(object, extract_forall_list);
}

void walk_model_object(ExpressionVisitor& visitor, const ModelObject& object) {
  std::visit(Walker{visitor}, object);
}

std::string type_qualname(PyObject* object) {
  PyRef qualname = checked(PyType_GetQualName(Py_TYPE(object)));
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(qualname.get(), &size);
  if (text == nullptr) throw PythonError{};
  return std::string(text, std::size_t(size));
}

void raise_unsupported_object(PyObject* object) {
  raise(ErrorKind::Type, "the type of obj (= " + type_qualname(object) + ") is unsupported");
}

}  // namespace zorvane
