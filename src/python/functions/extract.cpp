// extract_nodes and extract_variables: the model-object reading, the class filter and the lists
// of new objects around the extraction walks.
#include <algorithm>
#include <vector>

#include "core/analysis/extract.hpp"
#include "python/conversion.hpp"
#include "python/frame/compat.hpp"
#include "python/functions/functions.hpp"
#include "python/model/model_object.hpp"

namespace zorvane {
namespace {

std::string qualname_or_unknown(PyObject* object) {
  PyRef qualname = PyRef::steal(PyType_GetQualName(Py_TYPE(object)));
  const char* text = qualname ? PyUnicode_AsUTF8(qualname.get()) : nullptr;
  if (text == nullptr) {
    discard_exception();
    return "unknown type";
  }
  return text;
}

std::vector<PyObject*> class_filter(PyObject* argument) {
  if (PyType_Check(argument)) return {argument};
  if (!PyTuple_Check(argument)) {
    raise(ErrorKind::Type,
          "2nd arg of extract_node() must be a type or tuple of types, but the given type is " +
              type_qualname(argument));
  }
  std::vector<PyObject*> filter;
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(argument); ++i) {
    PyObject* item = PyTuple_GET_ITEM(argument, i);
    if (!PyType_Check(item)) {
      raise(ErrorKind::Type, "the type of obj (= " + qualname_or_unknown(item) + ") is unsupported");
    }
    filter.push_back(item);
  }
  return filter;
}

}  // namespace

namespace analysis {

// Every node whose class is one of the filter's (by identity, no subclass test), one new
// object per occurrence.
PyRef extract_nodes(const Arguments& arguments) {
  constexpr Param kObj = parameter<extract_nodes>("obj");
  constexpr Param kClassOrTuple = parameter<extract_nodes>("class_or_tuple");
  // Borrowed from the argument for the duration of the call.
  const std::vector<PyObject*> filter = convert_argument(arguments, kClassOrTuple, class_filter);
  std::optional<ModelObject> object = read_model_object(arguments[kObj]);
  if (!object) raise_unsupported_object(arguments[kObj]);
  const std::vector<Expr> nodes = extract_nodes(*object, [&](const Node& node) {
    auto* type = reinterpret_cast<PyObject*>(type_object_or_null(class_for_node(node)));
    return type != nullptr && std::find(filter.begin(), filter.end(), type) != filter.end();
  });
  return expressions_into_list(nodes);
}

PyRef extract_variables(const Arguments& arguments) {
  constexpr Param kObj = parameter<extract_variables>("obj");
  std::optional<ModelObject> object = read_model_object(arguments[kObj]);
  if (!object) raise_unsupported_object(arguments[kObj]);
  const VariableSet<Node> variables = extract_variables(*object);
  PyRef out = checked(PyList_New(Py_ssize_t(variables.size())));
  Py_ssize_t i = 0;
  for (const Expr& variable : variables) {
    PyList_SET_ITEM(out.get(), i++, expression_into_py(variable).release());
  }
  return out;
}

}  // namespace analysis
}  // namespace zorvane
