// Conversions between Python objects and the plain values of the sample-set classes, and the
// NumPy and pandas calls they need (made through Python-level calls).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <xtensor/xarray.hpp>

#include "binding/frame.hpp"

namespace zorvane {

/// One dense solution array: float64, row-major, any number of axes.
using DenseArray = xt::xarray<double>;

// ---- Python to values ----

/// The interpreter's float conversion (float, int, `__float__`).
double to_f64(PyObject* object);
/// None gives an absent value, anything else the float conversion.
std::optional<double> to_optional_f64(PyObject* object);
/// A non-str sequence, item by item: a str raises TypeError "Can't extract `str` to `Vec`", a
/// non-sequence the conversion TypeError naming "Sequence". `item` gets a strong reference.
template <class F>
void for_each_sequence_item(PyObject* sequence, F&& item);
std::vector<double> to_f64_list(PyObject* object);
std::vector<std::uint64_t> to_u64_list(PyObject* object);
/// A dict of str to values converted by `convert`, stored in name order (a non-dict or a
/// non-str key raise the conversion TypeError naming "PyDict" / "PyString").
template <class T, class F>
std::map<std::string, T> to_name_map(PyObject* object, F&& convert);
/// `dict[key]` as a strong reference, or null when absent.
PyRef dict_item(PyObject* dict, const char* key);
/// TypeError "'<type>' object cannot be converted to 'PyDict'" unless `object` is a dict.
void check_dict(PyObject* object);

// ---- values to Python ----

PyRef py_float(double value);
PyRef py_optional_float(const std::optional<double>& value);
PyRef py_u64(std::uint64_t value);
PyRef py_float_list(std::span<const double> values);
PyRef py_u64_list(std::span<const std::uint64_t> values);
PyRef py_bool(bool value);
PyRef new_dict();
void dict_set(PyObject* dict, const char* key, PyObject* value);
void dict_set(PyObject* dict, std::string_view key, PyObject* value);
PyRef new_list(std::size_t size);
/// Stores `item` at `index` of a list made by `new_list`.
void list_set(PyObject* list, std::size_t index, PyRef item);

// ---- NumPy ----

/// `numpy.ndarray` and the float64 descriptor, looked up once per conversion.
struct Numpy {
  PyRef empty;
  PyRef ndarray;
  PyRef float64;
  PyRef uint64;
  static Numpy import();
};
/// A new contiguous, writable float64 array of `shape` holding a copy of `data`.
PyRef new_float64_array(const Numpy& numpy, std::span<const std::size_t> shape,
                        std::span<const double> data);
/// A new two-dimensional uint64 array.
PyRef new_uint64_matrix(const Numpy& numpy, std::size_t rows, std::size_t columns,
                        std::span<const std::uint64_t> data);
/// An instance of `numpy.ndarray` (or a subclass) whose dtype is equivalent to float64.
bool is_float64_array(const Numpy& numpy, PyObject* object);
/// Copies such an array (any strides) into an owned row-major array.
DenseArray read_float64_array(PyObject* array);

// ---- pandas and embedded Python sources ----

/// `pandas.DataFrame.from_dict(table)`.
PyRef dataframe_from_dict(PyObject* table);
/// Compiles `source` (file mode, empty file name), runs it as a fresh module with an empty name
/// and returns its attribute `function`.
PyRef function_from_source(const char* source, const char* function);
/// Calls `function(args...)`.
PyRef call(PyObject* function, std::initializer_list<PyObject*> args);

// ---- implementation of the templates ----

[[noreturn]] void raise_str_to_vec();
void check_sequence(PyObject* object);

template <class F>
void for_each_sequence_item(PyObject* sequence, F&& item) {
  check_sequence(sequence);
  if (PyList_Check(sequence) || PyTuple_Check(sequence)) {
    // The size is read on every step: a conversion may run Python code that changes a list.
    const bool list = PyList_Check(sequence);
    for (Py_ssize_t i = 0;; ++i) {
      const Py_ssize_t size = list ? PyList_GET_SIZE(sequence) : PyTuple_GET_SIZE(sequence);
      if (i >= size) break;
      item(PyRef::borrow(list ? PyList_GET_ITEM(sequence, i) : PyTuple_GET_ITEM(sequence, i)));
    }
    return;
  }
  PyRef iterator = checked(PyObject_GetIter(sequence));
  while (PyObject* next = PyIter_Next(iterator.get())) item(PyRef::steal(next));
  if (PyErr_Occurred()) throw PythonError{};
}

/// Calls `item(key, value)` for each entry of a dict, holding references to both: the call may
/// run Python code, and a dict that changes size meanwhile raises RuntimeError as in Python.
template <class F>
void for_each_dict_item(PyObject* dict, F&& item) {
  const Py_ssize_t size = PyDict_GET_SIZE(dict);
  Py_ssize_t position = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(dict, &position, &key, &value)) {
    PyRef held_key = PyRef::borrow(key);
    PyRef held_value = PyRef::borrow(value);
    item(held_key.get(), held_value.get());
    if (PyDict_GET_SIZE(dict) != size) {
      PyErr_SetString(PyExc_RuntimeError, "dictionary changed size during iteration");
      throw PythonError{};
    }
  }
}

template <class T, class F>
std::map<std::string, T> to_name_map(PyObject* object, F&& convert) {
  check_dict(object);
  std::map<std::string, T> out;
  for_each_dict_item(object, [&](PyObject* key, PyObject* value) {
    std::string name = to_string(key);
    out.insert_or_assign(std::move(name), convert(value));
  });
  return out;
}

}  // namespace zorvane
