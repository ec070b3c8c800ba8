// Record: the value, its Python solution form, its text, equality and the Python class.
#include "sample_set/record.hpp"

#include <optional>

#include "lib/docs.hpp"
#include "lib/registry.hpp"
#include "model/attempt.hpp"
#include "sample_set/float_text.hpp"

namespace zorvane {

// ---- equality ----

bool coo_eq(const CooFormat& a, const CooFormat& b) noexcept {
  return a.non_zero_indices == b.non_zero_indices && a.non_zero_values == b.non_zero_values &&
         a.shape == b.shape;
}

bool dense_eq(const DenseArray& a, const DenseArray& b) noexcept {
  if (a.dimension() != b.dimension()) return false;
  for (std::size_t axis = 0; axis < a.dimension(); ++axis) {
    if (a.shape()[axis] != b.shape()[axis]) return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(a.data()[i] == b.data()[i])) return false;
  }
  return true;
}

namespace {

template <class T, class Eq>
bool solution_map_eq(const std::map<std::string, std::vector<T>>& a,
                     const std::map<std::string, std::vector<T>>& b, Eq&& eq) {
  if (a.size() != b.size()) return false;
  for (auto left = a.begin(), right = b.begin(); left != a.end(); ++left, ++right) {
    if (left->first != right->first || left->second.size() != right->second.size()) return false;
    for (std::size_t i = 0; i < left->second.size(); ++i) {
      if (!eq(left->second[i], right->second[i])) return false;
    }
  }
  return true;
}

}  // namespace

bool record_eq(const Record& a, const Record& b) noexcept {
  if (a.solution.index() != b.solution.index()) return false;
  const bool solutions_equal =
      is_dense(a) ? solution_map_eq(std::get<DenseSolution>(a.solution),
                                    std::get<DenseSolution>(b.solution), dense_eq)
                  : solution_map_eq(std::get<SparseSolution>(a.solution),
                                    std::get<SparseSolution>(b.solution), coo_eq);
  return solutions_equal && a.num_occurrences == b.num_occurrences;
}

// ---- text ----

namespace {

void append_u64_list_text(std::string& out, const std::vector<std::uint64_t>& values) {
  out += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(values[i]);
  }
  out += ']';
}

// Python tuple notation: "()", "(a,)", "(a, b)".
template <class T, class F>
void append_tuple_text(std::string& out, const std::vector<T>& items, F&& item) {
  out += '(';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    item(out, items[i]);
  }
  if (items.size() == 1) out += ',';
  out += ')';
}

void append_coo_text(std::string& out, const CooFormat& coo) {
  out += '(';
  append_tuple_text(out, coo.non_zero_indices, append_u64_list_text);
  out += ", [";
  for (std::size_t i = 0; i < coo.non_zero_values.size(); ++i) {
    if (i > 0) out += ", ";
    append_float_debug(out, coo.non_zero_values[i]);
  }
  out += "], ";
  append_tuple_text(out, coo.shape, [](std::string& o, std::uint64_t v) { o += std::to_string(v); });
  out += ')';
}

// Arrays of this many elements or more are abbreviated along their long axes.
constexpr std::size_t kManyElements = 500;

// How many items an axis shows before it is abbreviated, by its position from the last axis.
std::size_t axis_limit(std::size_t axis_from_last) { return axis_from_last <= 1 ? 11 : 6; }

struct DenseTextLayout {
  const DenseArray& array;
  std::vector<std::size_t> strides;  // in elements, row-major
  bool abbreviate;
};

// Items 0..length-1 joined by `separator`; a long axis shows its first and last `limit / 2`
// items around "...".
template <class F>
void append_items(std::string& out, std::size_t length, std::size_t limit, std::string_view separator,
                  F&& item) {
  if (length <= limit) {
    for (std::size_t i = 0; i < length; ++i) {
      if (i > 0) out += separator;
      item(i);
    }
    return;
  }
  const std::size_t edge = limit / 2;
  for (std::size_t i = 0; i < edge; ++i) {
    if (i > 0) out += separator;
    item(i);
  }
  out += separator;
  out += "...";
  for (std::size_t i = length - edge; i < length; ++i) {
    out += separator;
    item(i);
  }
}

void append_dense_axis(std::string& out, const DenseTextLayout& layout, std::size_t offset,
                       std::size_t axis) {
  const DenseArray& array = layout.array;
  const std::size_t ndim = array.dimension();
  const std::size_t length = array.shape()[axis];
  const std::size_t axes_left = ndim - axis;
  const std::size_t limit = layout.abbreviate ? axis_limit(axes_left - 1) : length;
  out += '[';
  if (axes_left == 1) {
    append_items(out, length, limit, ", ",
                 [&](std::size_t i) { append_float_display(out, array.data()[offset + i]); });
  } else {
    std::string separator = ",\n";
    separator.append(axes_left - 2, '\n');
    separator.append(axis + 1, ' ');
    append_items(out, length, limit, separator, [&](std::size_t i) {
      append_dense_axis(out, layout, offset + i * layout.strides[axis], axis + 1);
    });
  }
  out += ']';
}

}  // namespace

void append_dense_text(std::string& out, const DenseArray& array) {
  const std::size_t ndim = array.dimension();
  if (ndim == 0) {
    append_float_display(out, array.data()[0]);
    return;
  }
  if (array.size() == 0) {
    out.append(ndim, '[');
    out.append(ndim, ']');
    return;
  }
  DenseTextLayout layout{array, std::vector<std::size_t>(ndim, 1), array.size() >= kManyElements};
  for (std::size_t axis = ndim - 1; axis-- > 0;) {
    layout.strides[axis] = layout.strides[axis + 1] * array.shape()[axis + 1];
  }
  append_dense_axis(out, layout, 0, 0);
}

namespace {

template <class T, class F>
void append_solution_text(std::string& out, const std::map<std::string, std::vector<T>>& map,
                          F&& entry) {
  out += '{';
  bool first = true;
  for (const auto& [name, entries] : map) {
    if (!first) out += ", ";
    first = false;
    out += '\'';
    out += name;
    out += "': [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i > 0) out += ", ";
      entry(out, entries[i]);
    }
    out += ']';
  }
  out += '}';
}

}  // namespace

void append_record_text(std::string& out, const Record& record) {
  out += "Record(solution=";
  if (is_dense(record)) {
    append_solution_text(out, std::get<DenseSolution>(record.solution), append_dense_text);
  } else {
    append_solution_text(out, std::get<SparseSolution>(record.solution), append_coo_text);
  }
  out += ", num_occurrences=";
  append_u64_list_text(out, record.num_occurrences);
  out += ')';
}

// ---- the Python solution form ----

namespace {

std::vector<std::vector<std::uint64_t>> to_index_lists(PyObject* object) {
  std::vector<std::vector<std::uint64_t>> axes;
  for_each_sequence_item(object, [&](PyRef axis) { axes.push_back(to_u64_list(axis.get())); });
  return axes;
}

CooFormat coo_from_parts(PyObject* indices, PyObject* values, PyObject* shape) {
  CooFormat coo;
  coo.non_zero_indices = to_index_lists(indices);
  coo.non_zero_values = to_f64_list(values);
  coo.shape = to_u64_list(shape);
  return coo;
}

[[noreturn]] void not_sparse() { throw Error{ErrorKind::Type, "not a sparse entry"}; }

// One form of a value among several. A list or dict that changed while it was read
// (RuntimeError of the readers) is refused whole, never read again as another form.
template <class F>
bool attempt_form(F&& read) {
  try {
    read();
    return true;
  } catch (const Error& error) {
    if (error.kind == ErrorKind::Runtime) throw;
    return false;
  } catch (const PythonError&) {
    discard_exception();
    return false;
  }
}

// A 3-tuple (indices, values, shape), or else a sequence of exactly three lists.
CooFormat read_coo(PyObject* item) {
  if (PyTuple_Check(item) && PyTuple_GET_SIZE(item) == 3) {
    CooFormat coo;
    if (attempt_form([&] {
          coo = coo_from_parts(PyTuple_GET_ITEM(item, 0), PyTuple_GET_ITEM(item, 1), PyTuple_GET_ITEM(item, 2));
        })) {
      return coo;
    }
  }
  if (PyList_Check(item) && PyList_GET_SIZE(item) == 3) {
    PyRef parts[3] = {PyRef::borrow(PyList_GET_ITEM(item, 0)), PyRef::borrow(PyList_GET_ITEM(item, 1)),
                      PyRef::borrow(PyList_GET_ITEM(item, 2))};
    for (const PyRef& part : parts) {
      if (!PyList_Check(part.get())) not_sparse();
    }
    return coo_from_parts(parts[0].get(), parts[1].get(), parts[2].get());
  }
  check_sequence(item);
  const Py_ssize_t size = PySequence_Size(item);
  if (size < 0) throw PythonError{};
  if (size != 3) not_sparse();
  PyRef parts[3];
  for (Py_ssize_t i = 0; i < 3; ++i) {
    parts[i] = checked(PySequence_GetItem(item, i));
    if (!PyList_Check(parts[i].get())) not_sparse();
  }
  return coo_from_parts(parts[0].get(), parts[1].get(), parts[2].get());
}

// Calls `entries(name, value)` for each item of a dict with str keys.
template <class F>
void for_each_solution_item(PyObject* object, F&& entries) {
  if (!PyDict_Check(object)) throw Error{ErrorKind::Type, "not a dict"};
  for_each_dict_item(object, [&](PyObject* key, PyObject* value) { entries(to_string(key), value); });
}

SparseSolution read_sparse_solution(PyObject* object) {
  SparseSolution solution;
  for_each_solution_item(object, [&](std::string name, PyObject* value) {
    std::vector<CooFormat> entries;
    for_each_sequence_item(value, [&](PyRef item) { entries.push_back(read_coo(item.get())); });
    solution.insert_or_assign(std::move(name), std::move(entries));
  });
  return solution;
}

DenseSolution read_dense_solution(PyObject* object) {
  const Numpy numpy = Numpy::import();
  DenseSolution solution;
  for_each_solution_item(object, [&](std::string name, PyObject* value) {
    std::vector<DenseArray> entries;
    for_each_sequence_item(value, [&](PyRef item) {
      if (!is_float64_array(numpy, item.get())) throw Error{ErrorKind::Type, "not a float64 array"};
      entries.push_back(read_float64_array(item.get()));
    });
    solution.insert_or_assign(std::move(name), std::move(entries));
  });
  return solution;
}

constexpr const char* kNotASolution =
    "Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray "
    "or Tuple[List[List[int]], List[int|float], Tuple[int,..]].";

PyRef u64_tuple(const std::vector<std::uint64_t>& values) {
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(values.size())));
  for (std::size_t i = 0; i < values.size(); ++i) {
    PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(i), py_u64(values[i]).release());
  }
  return tuple;
}

PyRef coo_to_py(const CooFormat& coo) {
  PyRef indices = checked(PyTuple_New(Py_ssize_t(coo.non_zero_indices.size())));
  for (std::size_t a = 0; a < coo.non_zero_indices.size(); ++a) {
    PyTuple_SET_ITEM(indices.get(), Py_ssize_t(a), py_u64_list(coo.non_zero_indices[a]).release());
  }
  PyRef values = py_float_list(coo.non_zero_values);
  PyRef shape = u64_tuple(coo.shape);
  return checked(PyTuple_Pack(3, indices.get(), values.get(), shape.get()));
}

PyRef dense_to_py(const Numpy& numpy, const DenseArray& array) {
  const std::vector<std::size_t> shape(array.shape().begin(), array.shape().end());
  return new_float64_array(numpy, shape, std::span<const double>(array.data(), array.size()));
}

template <class T, class F>
PyRef entries_to_py(const std::vector<T>& entries, F&& entry) {
  PyRef list = new_list(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) list_set(list.get(), i, entry(entries[i]));
  return list;
}

}  // namespace

RecordSolution extract_solution(PyObject* object) {
  RecordSolution solution;
  if (attempt_form([&] { solution = read_sparse_solution(object); })) return solution;
  if (attempt_form([&] { solution = read_dense_solution(object); })) return solution;
  raise(ErrorKind::Type, kNotASolution);
}

PyRef solution_entries_to_py(const RecordSolution& solution, const std::string& name) {
  if (const auto* dense = std::get_if<DenseSolution>(&solution)) {
    const Numpy numpy = Numpy::import();
    return entries_to_py(dense->at(name), [&](const DenseArray& a) { return dense_to_py(numpy, a); });
  }
  return entries_to_py(std::get<SparseSolution>(solution).at(name), coo_to_py);
}

PyRef solution_to_py(const RecordSolution& solution) {
  PyRef dict = new_dict();
  if (const auto* dense = std::get_if<DenseSolution>(&solution)) {
    const Numpy numpy = Numpy::import();
    for (const auto& [name, entries] : *dense) {
      dict_set(dict.get(), name,
               entries_to_py(entries, [&](const DenseArray& a) { return dense_to_py(numpy, a); }).get());
    }
  } else {
    for (const auto& [name, entries] : std::get<SparseSolution>(solution)) {
      dict_set(dict.get(), name, entries_to_py(entries, coo_to_py).get());
    }
  }
  return dict;
}

// ---- the Python class ----

PyRef wrap_record(Record record) { return new_instance(ClassId::Record, std::move(record)); }

namespace {

constexpr Signature kNew{.owner = class_name(ClassId::Record),
                         .function = "__new__",
                         .names = {"solution", "num_occurrences"},
                         .positional = 2,
                         .required_positional = 2};
constexpr Signature kFromDict{.owner = class_name(ClassId::Record), .function = "from_dict", .names = {"dict"},
                              .positional = 1, .required_positional = 1};
constexpr Signature kFromJson{.owner = class_name(ClassId::Record), .function = "from_json", .names = {"json"},
                              .positional = 1, .required_positional = 1};

Borrow<Record> held(PyObject* self) { return borrow<Record>(self, ClassId::Record); }

PyRef record_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Record record;
  record.solution = convert_argument("solution", [&] { return extract_solution(arguments[0]); });
  record.num_occurrences =
      convert_argument("num_occurrences", [&] { return to_u64_list(arguments[1]); });
  return wrap_record(std::move(record));
}

PyRef get_solution(PyObject* self) { return solution_to_py(held(self)->solution); }
PyRef get_num_occurrences(PyObject* self) { return py_u64_list(held(self)->num_occurrences); }

void set_solution(PyObject* self, PyObject* value) {
  RecordSolution solution = extract_solution(value);
  borrow_mut<Record>(self, ClassId::Record)->solution = std::move(solution);
}
void set_num_occurrences(PyObject* self, PyObject* value) {
  std::vector<std::uint64_t> counts = to_u64_list(value);
  borrow_mut<Record>(self, ClassId::Record)->num_occurrences = std::move(counts);
}

PyRef record_repr(PyObject* self) {
  std::string text;
  append_record_text(text, *held(self));
  return new_str(text);
}

PyRef record_is_dense(PyObject* self) { return py_bool(is_dense(*held(self))); }
PyRef record_is_sparse(PyObject* self) { return py_bool(!is_dense(*held(self))); }
PyRef record_to_dense_method(PyObject* self) { return wrap_record(record_to_dense(*held(self))); }
PyRef record_to_sparse_method(PyObject* self) { return wrap_record(record_to_sparse(*held(self))); }
PyRef record_to_dict_method(PyObject* self) { return record_to_dict(*held(self)); }
PyRef record_to_pandas_method(PyObject* self) { return record_to_pandas(*held(self)); }

PyRef record_to_json(PyObject* self) {
  std::string text;
  append_record_json(text, *held(self));
  return new_str(text);
}

PyRef record_from_dict_method(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromDict, args, nargs, kwnames);
  convert_argument("dict", [&] { check_dict(arguments[0]); });
  return wrap_record(record_from_dict(arguments[0]));
}

PyRef record_from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJson, args, nargs, kwnames);
  const std::string text = convert_argument("json", [&] { return to_string(arguments[0]); });
  json::Cursor cursor(text);
  Record record = read_record_json(cursor);
  cursor.finish();
  return wrap_record(std::move(record));
}

PyGetSetDef kGetSet[] = {
    getter_setter<get_solution, set_solution>("solution"),
    getter_setter<get_num_occurrences, set_num_occurrences>("num_occurrences"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<record_is_dense>("is_dense", docs::kMethodDocRecordIsDense),
    noargs_method<record_is_sparse>("is_sparse", docs::kMethodDocRecordIsSparse),
    noargs_method<record_to_dict_method>("to_dict", docs::kMethodDocRecordToDict),
    static_method<record_from_dict_method>("from_dict", docs::kMethodDocRecordFromDict),
    noargs_method<record_to_json>("to_json", docs::kMethodDocRecordToJson),
    static_method<record_from_json>("from_json", docs::kMethodDocRecordFromJson),
    noargs_method<record_to_dense_method>("to_dense", docs::kMethodDocRecordToDense),
    noargs_method<record_to_sparse_method>("to_sparse", docs::kMethodDocRecordToSparse),
    noargs_method<record_to_pandas_method>("to_pandas", docs::kMethodDocRecordToPandas),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<record_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<record_repr>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<Record, ClassId::Record, record_eq>>)},
};

}  // namespace

const ClassDef kRecordClass{
    .basicsize = sizeof(Instance<Record>),
    .dealloc = &dealloc_instance<Record>,
    .tp_new = &constructor_new<record_new>,
    .vectorcall = &constructor_vectorcall<record_new>,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
