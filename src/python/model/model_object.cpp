// Reading the objects that extract_nodes and extract_variables accept.
#include "python/model/model_object.hpp"

#include "python/conversion.hpp"
#include "python/frame/attempt.hpp"
#include "python/frame/compat.hpp"
#include "python/model/constraint.hpp"
#include "python/model/custom_penalty_term.hpp"
#include "python/model/forall.hpp"
#include "python/model/problem.hpp"

namespace zorvane {

// Each reading but the last is a type check, so that an object read by a later one throws
// nothing on the way.
std::optional<ModelObject> read_model_object(PyObject* object) {
  if (std::optional<Expr> expression = try_expression(object)) return std::move(*expression);
  if (std::optional<Expr> condition = held_condition(object)) return ConditionValue{std::move(*condition)};
  if (auto problem = held_copy<Problem>(object, ClassId::Problem)) return std::move(*problem);
  if (auto constraint = held_copy<Constraint>(object, ClassId::Constraint)) return std::move(*constraint);
  if (auto term = held_copy<CustomPenaltyTerm>(object, ClassId::CustomPenaltyTerm)) return std::move(*term);
  std::optional<ModelObject> out;
  attempt([&] { out.emplace(extract_forall_list(object)); });
  return out;
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
