// Reading subscript keys, and the members shared by the subscriptable operand classes.
#include "python/expression/subscripting.hpp"

#include <optional>

#include <unistd.h>

#include <fmt/format.h>

#include "core/expression/indexing.hpp"
#include "python/conversion.hpp"

namespace zorvane {
namespace {

bool is_exact_slice(PyObject* object) noexcept { return Py_TYPE(object) == &PySlice_Type; }

// The size of an exact tuple, which it cannot lie about (0 for other keys): room to reserve.
std::size_t tuple_size(PyObject* key) noexcept {
  return PyTuple_CheckExact(key) ? std::size_t(PyTuple_GET_SIZE(key)) : 0;
}

// The next item of an iterator, or null at its end; an iteration error is thrown.
PyRef next_item(PyObject* iterator) {
  PyRef item = PyRef::steal(PyIter_Next(iterator));
  if (!item && PyErr_Occurred()) throw PythonError{};
  return item;
}

// Items of a sequence key read by `read`, which returns false to end the reading. The list
// grows one item at a time: nothing is reserved from the key's `__len__`.
template <class F>
void for_each_key_item(PyObject* key, F&& read) {
  if (PyTuple_CheckExact(key)) {  // the usual `x[i, j]`: no iterator
    for (Py_ssize_t k = 0; k < PyTuple_GET_SIZE(key); ++k) {
      const PyRef item = PyRef::borrow(PyTuple_GET_ITEM(key, k));  // `read` can run Python code
      if (!read(item.get())) return;
    }
    return;
  }
  PyRef iterator = checked(PyObject_GetIter(key));
  while (PyRef item = next_item(iterator.get())) {
    if (!read(item.get())) return;
  }
}

// Runs a model step whose ModelingError is reported under another exception type, as
// "ModelingError: <message>".
template <class F>
Expr reraise_modeling_as(ErrorKind kind, F&& step) {
  try {
    return step();
  } catch (const Error& error) {
    if (error.kind != ErrorKind::Modeling) throw;
    raise(kind, std::string(error_kind_name(error.kind)) + ": " + error.message);
  }
}

std::uint64_t physical_memory() noexcept {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return std::uint64_t(1) << 48;
  return std::uint64_t(pages) * std::uint64_t(page_size);
}

}  // namespace

std::optional<Expr> key_expression(PyObject* key) {
  // No reading of the general conversion takes these types (they have neither `__index__` nor
  // `__float__`): their keys go straight to the item readings, without a failed attempt.
  PyTypeObject* type = Py_TYPE(key);
  if (type == &PyTuple_Type || type == &PyList_Type || type == &PySlice_Type) return std::nullopt;
  return try_expression(key);
}

std::vector<Expr> expressions_from_sequence(PyObject* object) {
  if (PyUnicode_Check(object)) raise(ErrorKind::Type, "Can't extract `str` to `Vec`");
  if (!PySequence_Check(object)) raise(ErrorKind::Type, cannot_convert_message(object, "Sequence"));
  std::vector<Expr> items;
  items.reserve(tuple_size(object));
  for_each_key_item(object, [&](PyObject* item) {
    items.push_back(expression_from_pyobject(item));
    return true;
  });
  return items;
}

ExprList subscripts_from_key(PyObject* key) {
  std::optional<Expr> one = key_expression(key);
  ExprList subscripts = one ? ExprList(std::move(*one)) : ExprList(expressions_from_sequence(key));
  validate_subscripts(subscripts);
  return subscripts;
}

KeyItems parse_subscript_items(PyObject* key) {
  KeyItems out;
  if (is_exact_slice(key)) {
    out.expressions.emplace_back();
    out.slices.push_back(PyRef::borrow(key));
    return out;
  }
  // A sequence of expressions and slices; the first item that is neither ends the attempt.
  if (!PyUnicode_Check(key) && PySequence_Check(key)) {
    out.expressions.reserve(tuple_size(key));
    bool readable = true;
    try {
      for_each_key_item(key, [&](PyObject* item) {
        if (is_exact_slice(item)) {
          out.expressions.emplace_back();
          out.slices.push_back(PyRef::borrow(item));
        } else if (std::optional<Expr> expression = try_expression(item)) {
          out.expressions.push_back(std::move(*expression));
        } else {
          readable = false;
        }
        return readable;
      });
    } catch (const PythonError&) {
      discard_exception();
      readable = false;
    }
    if (readable) return out;
  }
  PyRef text = checked(PyObject_Str(key));
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(text.get(), &size);
  if (utf8 == nullptr) throw PythonError{};
  raise(ErrorKind::Index, "Invalid index: " + std::string(utf8, std::size_t(size)));
}

PyRef subscript_operand(PyObject* self, ClassId id, PyObject* key) {
  const Borrow<Expr> held = borrow<Expr>(self, id);
  Expr variable = reraise_modeling_as(ErrorKind::Type, [&] { return into_subscripted_variable(*held); });
  ExprList subscripts = subscripts_from_key(key);
  Expr subscript = reraise_modeling_as(ErrorKind::Index, [&] {
    return build_subscript(std::move(variable), std::move(subscripts));
  });
  return expression_into_py(std::move(subscript));
}

void check_tuple_capacity(std::uint64_t count) {
  // A tuple slot, an object and a node per item, allocator overhead included.
  constexpr std::uint64_t kBytesPerItem = 128;
  static const std::uint64_t kLimit = physical_memory() / kBytesPerItem;
  if (count > kLimit) {
    raise(ErrorKind::Memory, fmt::format("cannot build {} objects: they would not fit in memory", count));
  }
}

PyRef lengths_tuple(const Expr& receiver) {
  const std::uint64_t ndim = operand_ndim(*receiver);
  check_tuple_capacity(ndim);
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(ndim)));
  for (std::uint64_t axis = 0; axis < ndim; ++axis) {
    PyRef length = expression_into_py(build_array_length(receiver, axis, std::nullopt, std::nullopt));
    PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(axis), length.release());
  }
  return tuple;
}

PyRef len_at(ClassId id, PyObject* self, const Arguments& arguments) {
  const Borrow<Expr> held = borrow<Expr>(self, id);
  const std::uint64_t axis = convert_argument(arguments, kLenAt.param("axis"), to_u64);
  Text latex = convert_argument(arguments, kLenAt.param("latex"), to_optional_utf8);
  Text description = convert_argument(arguments, kLenAt.param("description"), to_optional_utf8);
  return expression_into_py(length_at(*held, axis, std::move(latex), std::move(description)));
}

}  // namespace zorvane
