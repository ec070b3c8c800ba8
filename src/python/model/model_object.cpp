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
namespace {

template <class Read>
std::optional<ModelObject> read_as(PyObject* object, Read read) {
  std::optional<ModelObject> out;
  attempt([&] { out.emplace(read(object)); });
  return out;
}

}  // namespace

std::optional<ModelObject> read_model_object(PyObject* object) {
  if (auto read = read_as(object, [](PyObject* o) { return expression_from_pyobject(o); })) return read;
  if (auto read = read_as(object, [](PyObject* o) { return ConditionValue{conditional_from_pyobject(o)}; })) return read;
  if (auto read = read_as(object, extract_problem)) return read;
  if (auto read = read_as(object, extract_constraint)) return read;
  if (auto read = read_as(object, extract_custom_penalty_term)) return read;
  return read_as(object, extract_forall_list);
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
