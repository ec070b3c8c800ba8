// Forall lists from Python objects (an element, an (element, condition) pair, or a sequence of
// them) and back.
#include "python/model/forall.hpp"

#include "core/expression/tree_walk.hpp"
#include "python/conversion.hpp"
#include "python/frame/attempt.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {
namespace {

constexpr const char* kNotAnItem = "failed to create a forall object";
constexpr const char* kNotAList = "failed to create a forall list object";

Rc<const ElementNode> element_from_pyobject(PyObject* object) {
  const Expr node = borrow_node(object, ClassId::Element);
  return Rc<const ElementNode>(share(as<ElementNode>(node)));
}

}  // namespace

ForallItem extract_forall_item(PyObject* object) {
  ForallItem item;
  if (attempt([&] { item.element = element_from_pyobject(object); })) return item;
  const bool read = attempt([&] {
    if (!PyTuple_Check(object) || PyTuple_GET_SIZE(object) != 2) raise(ErrorKind::Type, kNotAnItem);
    item.element = element_from_pyobject(PyTuple_GET_ITEM(object, 0));
    PyObject* condition = PyTuple_GET_ITEM(object, 1);
    if (condition != Py_None) item.condition = conditional_from_pyobject(condition);
  });
  if (!read) raise(ErrorKind::Type, kNotAnItem);
  return item;
}

ForallList extract_forall_list(PyObject* object) {
  ForallList list;
  const bool single = attempt([&] {
    list.push_back(extract_forall_item(object));
    check_forall_list(list);
  });
  if (single) return list;
  list.clear();
  const bool sequence = attempt([&] {
    if (PyUnicode_Check(object) || !PySequence_Check(object)) raise(ErrorKind::Type, kNotAList);
    // Iterated, never sized from `__len__`.
    PyRef iterator = checked(PyObject_GetIter(object));
    while (PyRef member = PyRef::steal(PyIter_Next(iterator.get()))) {
      list.push_back(extract_forall_item(member.get()));
    }
    throw_if_python_error();
    check_forall_list(list);
  });
  if (!sequence) raise(ErrorKind::Type, kNotAList);
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
