// Forall lists from Python objects (an element, an (element, condition) pair, or a sequence of
// them) and back.
#include "python/model/forall.hpp"

#include <optional>

#include "python/conversion.hpp"
#include "python/frame/attempt.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {
namespace {

constexpr const char* kNotAnItem = "failed to create a forall object";
constexpr const char* kNotAList = "failed to create a forall list object";

// The element an object is, or nothing. Reading never raises, so the common forms cost no
// exception.
std::optional<Rc<const ElementNode>> held_element(PyObject* object) {
  if (class_of(object) != ClassId::Element) return std::nullopt;
  auto held = try_borrow<Expr>(object, ClassId::Element);
  if (!held) return std::nullopt;
  return Rc<const ElementNode>(share(as<ElementNode>(**held)));
}

// An element, or a 2-tuple (element, condition or None); nothing for anything else.
std::optional<ForallItem> read_forall_item(PyObject* object) {
  ForallItem item;
  if (auto element = held_element(object)) {
    item.element = std::move(*element);
    return item;
  }
  if (!PyTuple_Check(object) || PyTuple_GET_SIZE(object) != 2) return std::nullopt;
  auto element = held_element(PyTuple_GET_ITEM(object, 0));
  if (!element) return std::nullopt;
  item.element = std::move(*element);
  PyObject* condition = PyTuple_GET_ITEM(object, 1);
  if (condition != Py_None) {
    std::optional<Expr> node = held_condition(condition);
    if (!node) return std::nullopt;
    item.condition = std::move(*node);
  }
  return item;
}

}  // namespace

ForallItem extract_forall_item(PyObject* object) {
  if (std::optional<ForallItem> item = read_forall_item(object)) return std::move(*item);
  raise(ErrorKind::Type, kNotAnItem);
}

// A single item first, then a sequence of items; the checks of the list decide between them as
// they did when each reading was an attempt.
ForallList extract_forall_list(PyObject* object) {
  ForallList list;
  if (std::optional<ForallItem> item = read_forall_item(object)) {
    list.push_back(std::move(*item));
    if (attempt([&] { check_forall_list(list); })) return list;
    list.clear();
  }
  if (PyUnicode_Check(object) || !PySequence_Check(object)) raise(ErrorKind::Type, kNotAList);
  bool items = true;
  const bool sequence = attempt([&] {
    // Iterated, never sized from `__len__`.
    PyRef iterator = checked(PyObject_GetIter(object));
    while (PyRef member = PyRef::steal(PyIter_Next(iterator.get()))) {
      std::optional<ForallItem> item = read_forall_item(member.get());
      if (!item) {
        items = false;
        return;
      }
      list.push_back(std::move(*item));
    }
    throw_if_python_error();
    check_forall_list(list);
  });
  if (!sequence || !items) raise(ErrorKind::Type, kNotAList);
  return list;
}

ForallList extract_optional_forall(PyObject* object) {
  if (object == nullptr || object == Py_None) return {};
  return convert_argument("forall", [&] { return extract_forall_list(object); });
}

PyRef forall_into_py(const ForallList& list) {
  PyRef out = checked(PyList_New(Py_ssize_t(list.size())));
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ForallItem& item = list[i];
    PyRef element = expression_into_py(item.element);
    PyRef condition = item.condition ? expression_into_py(item.condition) : none();
    PyRef pair = checked(PyTuple_Pack(2, element.get(), condition.get()));
    PyList_SET_ITEM(out.get(), Py_ssize_t(i), pair.release());
  }
  return out;
}

}  // namespace zorvane
