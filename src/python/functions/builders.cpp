// The module functions that build operator nodes, and the reading of a reduction's index.
#include "python/functions/functions.hpp"

#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/expression/function_nodes.hpp"
#include "core/expression/reduction.hpp"
#include "python/conversion.hpp"

namespace zorvane::functions {
namespace {

// ---- The index of a reduction ----
//
// The index is read as the first reading that fits: one item (an element, or a 2-tuple of an
// element and a condition), else a sequence of items. When nothing fits, the message lists what
// every attempt reported, each failure rendered as "TypeName: message, caused by ...". Reading
// an item has no side effects, so the readers run without texts first and build the texts only
// once the index is known to be refused.

std::string type_failure(std::string_view message) { return fmt::format("TypeError: {}", message); }

std::string field_failure(std::string_view path, int position, std::string_view cause) {
  return fmt::format("TypeError: failed to extract field {}.{}, caused by {}", path, position, cause);
}

std::string enum_failure_message(std::string_view type, std::string_view first_name,
                                 std::string_view first, std::string_view second_name,
                                 std::string_view second) {
  return fmt::format("failed to extract enum {} ('{} | {}')\n- variant {} ({}): {}\n- variant {} ({}): {}",
                     type, first_name, second_name, first_name, first_name, first, second_name,
                     second_name, second);
}

// Any element, whatever its dimensionality. `failure` (when given) receives the reason.
bool read_element(PyObject* object, Rc<const ElementNode>& out, std::string* failure) {
  if (!is_instance(object, ClassId::Element)) {
    if (failure != nullptr) *failure = type_failure(cannot_convert_message(object, "Element"));
    return false;
  }
  const Instance<Expr>* element = instance_of<Expr>(object);
  if (element->borrow == -1) {
    if (failure != nullptr) *failure = "RuntimeError: Already mutably borrowed";
    return false;
  }
  out = element_node(element->value);
  return true;
}

bool read_conditional_element(PyObject* object, IndexItem& out, std::string* failure) {
  if (!PyTuple_Check(object)) {
    if (failure != nullptr) *failure = type_failure(cannot_convert_message(object, "PyTuple"));
    return false;
  }
  if (PyTuple_GET_SIZE(object) != 2) {
    if (failure != nullptr) {
      *failure = fmt::format("ValueError: expected tuple of length 2, but got tuple of length {}",
                             PyTuple_GET_SIZE(object));
    }
    return false;
  }
  Rc<const ElementNode> element;
  std::string cause;
  if (!read_element(PyTuple_GET_ITEM(object, 0), element, failure != nullptr ? &cause : nullptr)) {
    if (failure != nullptr) *failure = field_failure("IndexItem::ConditionalElement", 0, cause);
    return false;
  }
  std::optional<Expr> condition = held_condition(PyTuple_GET_ITEM(object, 1));
  if (!condition) {
    if (failure != nullptr) *failure = field_failure("IndexItem::ConditionalElement", 1, type_failure(kNotACondition));
    return false;
  }
  out = IndexItem{std::move(element), std::move(*condition)};
  return true;
}

bool read_index_item(PyObject* object, IndexItem& out, std::string* failure) {
  Rc<const ElementNode> element;
  std::string as_element;
  if (read_element(object, element, failure != nullptr ? &as_element : nullptr)) {
    out = IndexItem{std::move(element), Expr()};
    return true;
  }
  std::string as_conditional;
  if (read_conditional_element(object, out, failure != nullptr ? &as_conditional : nullptr)) return true;
  if (failure != nullptr) {
    *failure = type_failure(enum_failure_message("IndexItem", "Element",
                                                 field_failure("IndexItem::Element", 0, as_element),
                                                 "ConditionalElement", as_conditional));
  }
  return false;
}

std::string index_item_failure(PyObject* object) {
  IndexItem unused;
  std::string failure;
  read_index_item(object, unused, &failure);
  return failure;
}

// Iterated once, never sized from `__len__`.
bool read_index_sequence(PyObject* object, std::vector<IndexItem>& out, std::string& failure) {
  if (PyUnicode_Check(object)) {
    failure = type_failure("Can't extract `str` to `Vec`");
    return false;
  }
  if (!PySequence_Check(object)) {
    failure = type_failure(cannot_convert_message(object, "Sequence"));
    return false;
  }
  PyRef iterator = PyRef::steal(PyObject_GetIter(object));
  if (!iterator) {
    failure = take_exception_text();
    return false;
  }
  while (PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) {
    IndexItem read;
    if (!read_index_item(item.get(), read, nullptr)) {
      failure = index_item_failure(item.get());
      return false;
    }
    out.push_back(std::move(read));
  }
  if (PyErr_Occurred()) {
    failure = take_exception_text();
    return false;
  }
  return true;
}

std::vector<IndexItem> index_from_pyobject(PyObject* object) {
  IndexItem item;
  if (read_index_item(object, item, nullptr)) return {std::move(item)};
  std::vector<IndexItem> items;
  std::string sequence;
  if (read_index_sequence(object, items, sequence)) return items;
  raise(ErrorKind::Type, enum_failure_message("Index", "Single",
                                              field_failure("Index::Single", 0, index_item_failure(object)),
                                              "Sequence", field_failure("Index::Sequence", 0, sequence)));
}

constexpr Param kUnaryOperand = parameter<unary>("operand");
constexpr const char* kOperands = var_positional_parameter<min_max>();
constexpr Param kIndex = parameter<reduction>("index");
constexpr Param kOperand = parameter<reduction>("operand");

}  // namespace

PyRef unary(const Arguments& arguments, UnaryKind kind) {
  Expr operand = convert_argument(arguments, kUnaryOperand, expression_from_pyobject);
  return expression_into_py(build_unary(kind, std::move(operand)));
}

// Every argument is converted before any term is checked, so `min(x, None)` reports the
// conversion and not the decision variable.
PyRef min_max(const Arguments& arguments, CommutativeKind kind) {
  std::vector<Expr> terms;
  terms.reserve(std::size_t(arguments.extra_count));
  for (Py_ssize_t i = 0; i < arguments.extra_count; ++i) {
    terms.push_back(convert_argument(kOperands, [&] { return expression_from_pyobject(arguments.extra[i]); }));
  }
  return expression_into_py(build_min_max(kind, std::move(terms)));
}

PyRef reduction(const Arguments& arguments, ReductionKind kind) {
  std::vector<IndexItem> index = convert_argument(arguments, kIndex, index_from_pyobject);
  Expr operand = convert_argument(arguments, kOperand, expression_from_pyobject);
  return expression_into_py(build_reductions(kind, std::move(index), std::move(operand)));
}

}  // namespace zorvane::functions
