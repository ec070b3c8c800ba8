// Conversions between Python objects and sample-set values (type checks, the buffer protocol),
// and the pandas calls.
#include "python/sample_set/python_values.hpp"

#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "core/error.hpp"

namespace zorvane {
namespace {

// A buffer view released on scope exit; not `held()` when the object offers none with these
// flags. Its refusal (BufferError, TypeError or ValueError, as exporters refuse, or a failure
// with no error set) is discarded; any other error, a MemoryError say, is thrown on. The protocol
// lets an exporter leave `format` (bytes), `strides` (C-contiguous) and, without axes, `shape`
// NULL, and all three are read so. A view that could not be read without guessing or trusting a
// lie is refused: an indirect one (`suboffsets`), axes without a shape, a negative field, or a
// length that is not what its shape gives (checked against overflow), strided or not.
class BufferView {
 public:
  BufferView(PyObject* object, int flags) : held_(PyObject_GetBuffer(object, &view_, flags) == 0) {
    if (!held_) {
      if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_BufferError) &&
          !PyErr_ExceptionMatches(PyExc_TypeError) && !PyErr_ExceptionMatches(PyExc_ValueError)) {
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

bool is_c_function(PyObject* function, const char* module, const char* name) {
  if (!PyCFunction_Check(function)) return false;
  const auto* c_function = reinterpret_cast<PyCFunctionObject*>(function);
  return std::strcmp(c_function->m_ml->ml_name, name) == 0 && c_function->m_module != nullptr &&
         PyUnicode_CheckExact(c_function->m_module) &&
         PyUnicode_CompareWithASCIIString(c_function->m_module, module) == 0;
}

PyRef json_value(const json::EventList& list) {
  using Kind = json::Event::Kind;
  struct Open {
    PyRef container;  // a dict or a list being filled
    PyRef key;        // a dict's key waiting for its value
  };
  std::vector<Open> open;  // never deeper than json::kDepthLimit
  NameStrings keys;        // each sample repeats the same keys
  PyRef value;
  for (const json::Event& event : list.events) {
    switch (event.kind) {
      case Kind::Null: value = none(); break;
      case Kind::Bool: value = py_bool(event.boolean); break;
      case Kind::Int: value = checked(PyLong_FromLongLong(event.integer)); break;
      case Kind::Uint: value = py_u64(event.unsigned_integer); break;  // "-0" too: orjson's 0
      case Kind::Double: value = py_float(event.real); break;
      case Kind::String: value = new_str(list.string(event)); break;
      case Kind::Key: open.back().key = PyRef::borrow(keys(list.string(event))); continue;
      case Kind::StartObject: open.push_back({new_dict(), {}}); continue;
      case Kind::StartArray: open.push_back({new_list(0), {}}); continue;
      case Kind::EndObject:
      case Kind::EndArray:
        value = std::move(open.back().container);
        open.pop_back();
        break;
    }
    if (open.empty()) return value;
    Open& into = open.back();
    if (into.key) {
      dict_set(into.container.get(), into.key.get(), value.get());
      into.key = PyRef();
    } else if (PyList_Append(into.container.get(), value.get()) < 0) {
      throw PythonError{};
    }
  }
  return value;
}

PyRef new_dict() { return checked(PyDict_New()); }

void dict_set(PyObject* dict, const char* key, PyObject* value) {
  if (PyDict_SetItemString(dict, key, value) < 0) throw PythonError{};
}
void dict_set(PyObject* dict, std::string_view key, PyObject* value) {
  dict_set(dict, new_str(key).get(), value);
}
void dict_set(PyObject* dict, PyObject* key, PyObject* value) {
  if (PyDict_SetItem(dict, key, value) < 0) throw PythonError{};
}

PyObject* NameStrings::find(std::string_view name) {
  auto at = index_.find(name);
  if (at == index_.end()) {
    strings_.emplace_back(name, new_str(name));
    at = index_.emplace(name, strings_.size() - 1).first;  // failing, it leaves a string no one finds
  }
  next_ = at->second + 1;
  return strings_[at->second].second.get();
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
