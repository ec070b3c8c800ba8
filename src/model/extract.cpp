// extract_nodes and extract_variables: two visitors of the generic walk.
#include <vector>

#include "binding/compat.hpp"
#include "model/analysis.hpp"
#include "model/expression/conversion.hpp"
#include "model/node_set.hpp"
#include "python/model/model_object.hpp"

namespace zorvane {
namespace {

// Every node whose class is one of the filter's (by identity, no subclass test), in pre-order,
// one new object per occurrence. Element sets come after their element, shapes after their
// variable; bounds are not walked.
class NodeExtractor final : public ExpressionVisitor {
 public:
  NodeExtractor(std::vector<PyObject*> filter, PyObject* out) noexcept
      : ExpressionVisitor({.element_sets = true, .shapes = true}), filter_(std::move(filter)), out_(out) {}

  void visit_node(const Node& node) override {
    auto* type = reinterpret_cast<PyObject*>(type_object_or_null(class_for_node(node)));
    if (type == nullptr) return;
    for (PyObject* wanted : filter_) {
      if (wanted != type) continue;
      PyRef object = expression_into_py(share(node));
      if (PyList_Append(out_, object.get()) < 0) throw PythonError{};
      return;
    }
  }

 private:
  std::vector<PyObject*> filter_;  // borrowed from the argument for the duration of the call
  PyObject* out_;
};

// Placeholders, elements, array lengths and decision variables, each once, in the order first
// met. Element sets come after their element, shapes after their variable.
class VariableCollector final : public ExpressionVisitor {
 public:
  VariableCollector()  // not `noexcept`: making the ordered set allocates
      : ExpressionVisitor({.element_sets = true, .shapes = true, .once_per_node = true}) {}
  void visit_node(const Node& node) override {
    if (node.tag == Tag::ArrayLength) variables_.insert(share(node));
  }
  void visit_placeholder(const PlaceholderNode& placeholder) override {
    variables_.insert(share(placeholder));
  }
  void visit_element(const ElementNode& element) override {
    variables_.insert(share(element));
  }
  void visit_decision_var(const DecisionVarNode& variable) override {
    variables_.insert(share(variable));
  }
  const NodeSet<Node>& variables() const noexcept { return variables_; }

 private:
  NodeSet<Node> variables_;
};

constexpr Signature kExtractNodes{.function = "extract_nodes",
                                  .names = {"obj", "class_or_tuple"},
                                  .positional = 2,
                                  .required_positional = 2};

constexpr Signature kExtractVariables{.function = "extract_variables",
                                      .names = {"obj"},
                                      .positional = 1,
                                      .required_positional = 1};

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

PyRef extract_nodes(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kExtractNodes, args, nargs, kwnames);
  std::vector<PyObject*> filter = convert_argument("class_or_tuple", [&] { return class_filter(arguments[1]); });
  std::optional<ModelObject> object = read_model_object(arguments[0]);
  if (!object) raise_unsupported_object(arguments[0]);
  PyRef out = checked(PyList_New(0));
  NodeExtractor extractor(std::move(filter), out.get());
  walk_model_object(extractor, *object);
  return out;
}

PyRef extract_variables(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kExtractVariables, args, nargs, kwnames);
  std::optional<ModelObject> object = read_model_object(arguments[0]);
  if (!object) raise_unsupported_object(arguments[0]);
  VariableCollector collector;
  walk_model_object(collector, *object);
  PyRef out = checked(PyList_New(Py_ssize_t(collector.variables().size())));
  Py_ssize_t i = 0;
  for (const Expr& variable : collector.variables()) {
    PyList_SET_ITEM(out.get(), i++, expression_into_py(variable).release());
  }
  return out;
}

}  // namespace analysis
}  // namespace zorvane
