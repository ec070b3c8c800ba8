// Conversions between Python objects and sample-set values; NumPy and pandas through
// Python-level calls (`numpy.empty`, type checks, the buffer protocol).
#include "python/sample_set/python_values.hpp"

#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "core/error.hpp"

namespace zorvane {
namespace {

// A buffer view released on scope exit; not `held()` when the object offers none with these
// flags. Its refusal (BufferError, TypeError or ValueError, as exporters refuse) is discarded;
// any other error, a MemoryError say, is thrown on. The protocol lets an exporter leave
// `format` (bytes), `strides` (C-contiguous) and, without axes, `shape` NULL, and all three are
// read so; a view that could not be read without guessing is refused: an indirect one
// (`suboffsets`), axes without a shape, or a contiguous one whose length its shape does not give.
class BufferView {
 public:
  BufferView(PyObject* object, int flags) : held_(PyObject_GetBuffer(object, &view_, flags) == 0) {
    if (!held_) {
      if (!PyErr_ExceptionMatches(PyExc_BufferError) && !PyErr_ExceptionMatches(PyExc_TypeError) &&
          !PyErr_ExceptionMatches(PyExc_ValueError)) {
        throw PythonError{};
      }
      PyErr_Clear();
    } else if (!readable()) {
      PyBuffer_Release(&view_);
      held_ = false;
    }
  }
  BufferView(const BufferView&) = delete;
  BufferView& operator=(const BufferView&) = delete;
  ~BufferView() {
    if (held_ && may_release_objects()) PyBuffer_Release(&view_);
  }
  bool held() const noexcept { return held_; }
  const Py_buffer* operator->() const noexcept { return &view_; }
  /// The byte step between items along `axis`.
  Py_ssize_t stride(int axis) const noexcept {
    if (view_.strides != nullptr) return view_.strides[axis];
    Py_ssize_t step = view_.itemsize;
    for (int a = view_.ndim - 1; a > axis; --a) step *= view_.shape[a];  // no overflow: see `readable`
    return step;
  }

 private:
  bool readable() const noexcept {
    if (view_.suboffsets != nullptr || view_.ndim < 0 || view_.itemsize <= 0 || view_.len < 0) return false;
    if (view_.ndim > 0 && view_.shape == nullptr) return false;
    if (view_.strides != nullptr) return true;
    Py_ssize_t bytes = view_.itemsize;  // last axis first: each product is the stride `stride` gives
    for (int a = view_.ndim; a-- > 0;) {
      if (view_.shape[a] < 0 || __builtin_mul_overflow(bytes, view_.shape[a], &bytes)) return false;
    }
    return bytes == view_.len;
  }

  Py_buffer view_{};
  bool held_;
};

// Whether a buffer holds single native 8-byte items whose struct format code is one of `codes`
// ("d", "LQ"): an explicit native or (on a little-endian machine) little-endian order counts.
bool holds_native_items(const BufferView& view, const char* codes) {
  if (!view.held() || view->itemsize != 8) return false;
  const char* format = view->format != nullptr ? view->format : "B";
  if (format[0] == '@' || format[0] == '=' || (format[0] == '<' && PY_LITTLE_ENDIAN)) ++format;
  return format[0] != '\0' && format[1] == '\0' && std::strchr(codes, format[0]) != nullptr;
}

// Reads a one-axis buffer of native 8-byte items whose format is one of `codes` into `out`;
// false (nothing read, no error pending) when the object offers no such buffer.
template <class T>
bool try_read_one_axis(PyObject* object, const char* codes, std::vector<T>& out) {
  if (!PyObject_CheckBuffer(object) || PyBytes_Check(object) || PyByteArray_Check(object)) return false;
  const BufferView view(object, PyBUF_RECORDS_RO);
  if (!holds_native_items(view, codes) || view->ndim != 1) return false;
  const auto* items = static_cast<const char*>(view->buf);
  const Py_ssize_t step = view.stride(0);
  out.resize(std::size_t(view->shape[0]));
  for (Py_ssize_t i = 0; i < view->shape[0]; ++i) std::memcpy(&out[std::size_t(i)], items + i * step, sizeof(T));
  return true;
}

}  // namespace

void raise_str_to_vec() { raise(ErrorKind::Type, "Can't extract `str` to `Vec`"); }

void check_sequence(PyObject* object) {
  if (PyUnicode_Check(object)) raise_str_to_vec();
  if (!PySequence_Check(object)) raise(ErrorKind::Type, cannot_convert_message(object, "Sequence"));
}

std::vector<PyRef> list_items(PyObject* list) {
  std::vector<PyRef> items;
  items.reserve(std::size_t(PyList_GET_SIZE(list)));
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) items.push_back(PyRef::borrow(PyList_GET_ITEM(list, i)));
  return items;
}

DictEntries dict_entries(PyObject* dict) {
  DictEntries entries;
  entries.reserve(std::size_t(PyDict_GET_SIZE(dict)));
  Py_ssize_t position = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(dict, &position, &key, &value)) entries.emplace_back(PyRef::borrow(key), PyRef::borrow(value));
  return entries;
}

void check_list_unchanged(PyObject* list, const std::vector<PyRef>& items, const char* what) {
  if (std::size_t(PyList_GET_SIZE(list)) != items.size()) {
    raise(ErrorKind::Runtime, fmt::format("{} changed size during iteration", what));
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (PyList_GET_ITEM(list, Py_ssize_t(i)) != items[i].get()) {
      raise(ErrorKind::Runtime, fmt::format("{} changed during iteration", what));
    }
  }
}

void check_dict_unchanged(PyObject* dict, const DictEntries& entries) {
  const auto check_size = [&] {
    if (std::size_t(PyDict_GET_SIZE(dict)) != entries.size()) {
      raise(ErrorKind::Runtime, "dictionary changed size during iteration");
    }
  };
  check_size();
  for (const auto& [key, value] : entries) {
    // Borrowed, only compared. The look-up may run `__hash__` or `__eq__` of a key, whose errors
    // are raised, and which may change the dict again.
    PyObject* now = PyDict_GetItemWithError(dict, key.get());
    if (now == nullptr && PyErr_Occurred()) throw PythonError{};
    if (now != value.get()) raise(ErrorKind::Runtime, "dictionary changed during iteration");
  }
  check_size();
}

void check_dict(PyObject* object) {
  if (!PyDict_Check(object)) raise(ErrorKind::Type, cannot_convert_message(object, "PyDict"));
}

std::string_view json_argument(PyObject* object) {
  return convert_argument("json", [&] {
    // to_utf8 without the copy: the str's own UTF-8 form lives as long as the str.
    if (!PyUnicode_Check(object)) raise(ErrorKind::Type, cannot_convert_message(object, "PyString"));
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(object, &size);
    if (data == nullptr) throw PythonError{};
    return std::string_view(data, std::size_t(size));
  });
}

double to_f64(PyObject* object) {
  if (PyFloat_CheckExact(object)) return PyFloat_AS_DOUBLE(object);
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) throw PythonError{};
  return value;
}

std::optional<double> to_optional_f64(PyObject* object) {
  if (object == nullptr || object == Py_None) return std::nullopt;
  return to_f64(object);
}

std::vector<double> to_f64_list(PyObject* object, NoneItems none) {
  check_sequence(object);
  std::vector<double> out;
  if (try_read_one_axis(object, "d", out)) return out;
  const bool none_is_nan = none == NoneItems::AsNaN;
  for_each_sequence_item(object, [&](PyRef item) {
    const bool nan = none_is_nan && item.get() == Py_None;
    out.push_back(nan ? std::numeric_limits<double>::quiet_NaN() : to_f64(item.get()));
  });
  return out;
}

std::vector<std::uint64_t> to_u64_list(PyObject* object) {
  check_sequence(object);
  std::vector<std::uint64_t> out;
  if (try_read_one_axis(object, "LQ", out)) return out;
  for_each_sequence_item(object, [&](PyRef item) {
    if (PyLong_CheckExact(item.get())) {  // no `__index__` to call: read it directly
      const unsigned long long value = PyLong_AsUnsignedLongLong(item.get());
      if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw PythonError{};
      out.push_back(value);
    } else {
      out.push_back(to_u64(item.get()));
    }
  });
  return out;
}

PyRef dict_item(PyObject* dict, const char* key) {
  PyRef name = checked(PyUnicode_FromString(key));
  // Borrowed; the look-up may run `__eq__` of other keys, whose errors are raised.
  PyRef value = PyRef::borrow(PyDict_GetItemWithError(dict, name.get()));
  if (!value && PyErr_Occurred()) throw PythonError{};
  return value;
}

PyRef py_float(double value) { return checked(PyFloat_FromDouble(value)); }
PyRef py_optional_float(const std::optional<double>& value) {
  return value ? py_float(*value) : none();
}
PyRef py_u64(std::uint64_t value) { return checked(PyLong_FromUnsignedLongLong(value)); }
PyRef py_bool(bool value) { return PyRef::borrow(value ? Py_True : Py_False); }

PyRef new_list(std::size_t size) { return checked(PyList_New(Py_ssize_t(size))); }
void list_set(PyObject* list, std::size_t index, PyRef item) {
  PyList_SET_ITEM(list, Py_ssize_t(index), item.release());
}

PyRef py_float_list(std::span<const double> values) {
  PyRef list = new_list(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) list_set(list.get(), i, py_float(values[i]));
  return list;
}

PyRef py_u64_list(std::span<const std::uint64_t> values) {
  PyRef list = new_list(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) list_set(list.get(), i, py_u64(values[i]));
  return list;
}

bool is_c_function(PyObject* function, const char* name) {
  return PyCFunction_Check(function) &&
         std::strcmp(reinterpret_cast<PyCFunctionObject*>(function)->m_ml->ml_name, name) == 0;
}

PyRef new_dict() { return checked(PyDict_New()); }

void dict_set(PyObject* dict, const char* key, PyObject* value) {
  if (PyDict_SetItemString(dict, key, value) < 0) throw PythonError{};
}
void dict_set(PyObject* dict, std::string_view key, PyObject* value) {
  PyRef name = new_str(key);
  if (PyDict_SetItem(dict, name.get(), value) < 0) throw PythonError{};
}

// ---- NumPy ----

Numpy Numpy::import() {
  PyRef module = checked(PyImport_ImportModule("numpy"));
  Numpy numpy;
  numpy.empty = checked(PyObject_GetAttrString(module.get(), "empty"));
  numpy.ndarray = checked(PyObject_GetAttrString(module.get(), "ndarray"));
  if (!PyType_Check(numpy.ndarray.get())) raise(ErrorKind::Type, "numpy.ndarray is not a type");
  // numpy's built-in descriptors are made once (a call costs more than the rest of this look-up)
  // and kept for the life of the process.
  static PyObject* descriptors[2] = {};
  if (descriptors[1] == nullptr) {
    PyRef dtype = checked(PyObject_GetAttrString(module.get(), "dtype"));
    PyRef float64 = checked(PyObject_CallFunction(dtype.get(), "s", "float64"));
    PyRef uint64 = checked(PyObject_CallFunction(dtype.get(), "s", "uint64"));
    descriptors[0] = float64.release();
    descriptors[1] = uint64.release();
  }
  numpy.float64 = PyRef::borrow(descriptors[0]);
  numpy.uint64 = PyRef::borrow(descriptors[1]);
  numpy.empty_is_native = is_c_function(numpy.empty.get(), "empty");
  return numpy;
}

namespace {

// An instance of numpy.ndarray or a subclass, by its type alone as numpy's own check goes (a
// `__class__` attribute, which isinstance would consult, runs Python code and can claim anything).
bool is_array(const Numpy& numpy, PyObject* object) {
  return PyObject_TypeCheck(object, reinterpret_cast<PyTypeObject*>(numpy.ndarray.get()));
}

// "(2,)", "(2, 3)", "()": a shape as Python writes a tuple.
std::string shape_text(std::span<const std::size_t> shape) {
  std::string text = "(";
  for (std::size_t a = 0; a < shape.size(); ++a) text += fmt::format("{}{}", a == 0 ? "" : ", ", shape[a]);
  return text + (shape.size() == 1 ? ",)" : ")");
}

// Whether `array` is held by nothing but the caller's one reference and views no other array.
bool is_new_array(PyObject* array) {
  PyRef base = checked(PyObject_GetAttrString(array, "base"));
  return base.get() == Py_None && Py_REFCNT(array) == 1;
}

// `numpy.empty(shape, dtype)` filled with a copy of `data`. numpy.empty can be replaced, so
// what it hands back is checked before a byte is written: a new numpy array (see above) whose
// buffer is writable, C-contiguous, of the item asked for (`codes`: its native struct formats)
// and of `shape`.
PyRef new_array(const Numpy& numpy, std::span<const std::size_t> shape, const PyRef& dtype,
                const char* dtype_name, const char* codes, const void* data, std::size_t bytes) {
  PyRef dims = checked(PyTuple_New(Py_ssize_t(shape.size())));
  for (std::size_t i = 0; i < shape.size(); ++i) {
    PyTuple_SET_ITEM(dims.get(), Py_ssize_t(i), py_u64(shape[i]).release());
  }
  PyRef array = checked(PyObject_CallFunctionObjArgs(numpy.empty.get(), dims.get(), dtype.get(), nullptr));
  const bool is_new = is_array(numpy, array.get()) && is_new_array(array.get());
  const BufferView view(array.get(), PyBUF_WRITABLE | PyBUF_C_CONTIGUOUS | PyBUF_FORMAT);
  bool fits = is_new && holds_native_items(view, codes) && std::size_t(view->len) == bytes &&
              std::size_t(view->ndim) == shape.size();
  for (std::size_t a = 0; fits && a < shape.size(); ++a) fits = std::size_t(view->shape[a]) == shape[a];
  if (!fits) {
    raise(ErrorKind::Type,
          fmt::format("numpy.empty did not return a new {} array of shape {}", dtype_name, shape_text(shape)));
  }
  if (bytes != 0) std::memcpy(view->buf, data, bytes);
  return array;
}

}  // namespace

PyRef new_float64_array(const Numpy& numpy, std::span<const std::size_t> shape,
                        std::span<const double> data) {
  return new_array(numpy, shape, numpy.float64, "float64", "d", data.data(), data.size_bytes());
}

PyRef new_uint64_matrix(const Numpy& numpy, std::size_t rows, std::size_t columns,
                        std::span<const std::uint64_t> data) {
  const std::size_t shape[] = {rows, columns};
  return new_array(numpy, shape, numpy.uint64, "uint64", "LQ", data.data(), data.size_bytes());
}

bool is_float64_array(const Numpy& numpy, PyObject* object) {
  return is_array(numpy, object) && holds_native_items(BufferView(object, PyBUF_RECORDS_RO), "d");
}

std::optional<DenseArray> read_float64_array(const Numpy& numpy, PyObject* object) {
  if (!is_array(numpy, object)) return std::nullopt;
  const BufferView view(object, PyBUF_RECORDS_RO);
  if (!holds_native_items(view, "d")) return std::nullopt;
  const auto ndim = std::size_t(view->ndim);
  std::vector<std::size_t> shape(ndim);
  std::vector<Py_ssize_t> strides(ndim);
  for (std::size_t a = 0; a < ndim; ++a) {
    shape[a] = std::size_t(view->shape[a]);
    strides[a] = view.stride(int(a));
  }
  DenseArray out(shape, 0.0);
  const std::size_t size = out.size();
  if (size == 0) return out;
  // Row-major walk over any strides with an index counter per axis.
  std::vector<std::size_t> index(ndim, 0);
  const char* base = static_cast<const char*>(view->buf);
  double* target = out.data();
  for (std::size_t k = 0; k < size; ++k) {
    Py_ssize_t at = 0;
    for (std::size_t a = 0; a < ndim; ++a) at += Py_ssize_t(index[a]) * strides[a];
    std::memcpy(target + k, base + at, sizeof(double));
    for (std::size_t a = ndim; a-- > 0;) {
      if (++index[a] < shape[a]) break;
      index[a] = 0;
    }
  }
  return out;
}

// ---- pandas and embedded sources ----

Pandas Pandas::import() {
  PyRef module = checked(PyImport_ImportModule("pandas"));
  PyRef frame = checked(PyObject_GetAttrString(module.get(), "DataFrame"));
  return {checked(PyObject_GetAttrString(frame.get(), "from_dict")),
          checked(PyObject_GetAttrString(module.get(), "concat"))};
}

PyObject* SourceFunction::get() {
  if (function_ != nullptr) return function_;
  PyRef code = checked(Py_CompileString(source_, "", Py_file_input));
  PyRef module = checked(PyModule_New(""));
  PyObject* globals = PyModule_GetDict(module.get());  // borrowed
  if (globals == nullptr) throw PythonError{};
  if (PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) < 0) throw PythonError{};
  PyRef result = checked(PyEval_EvalCode(code.get(), globals, globals));
  function_ = checked(PyObject_GetAttrString(module.get(), name_)).release();
  return function_;
}

PyRef call(PyObject* function, std::initializer_list<PyObject*> args) {
  return checked(PyObject_Vectorcall(function, args.begin(), args.size(), nullptr));
}

}  // namespace zorvane
