// Record: its Python solution form, the dict and pandas forms, and the Python class.
#include "python/sample_set/record.hpp"

#include <optional>

#include "python/docs.hpp"
#include "python/frame/attempt.hpp"
#include "python/sample_set/value_class.hpp"

namespace zorvane {

// ---- the Python solution form ----

namespace {

std::vector<std::vector<std::uint64_t>> to_index_lists(PyObject* object) {
  std::vector<std::vector<std::uint64_t>> axes;
  for_each_sequence_item(object, [&](PyRef axis) { axes.push_back(to_u64_list(axis.get())); });
  return axes;
}

CooFormat coo_from_parts(PyObject* indices, PyObject* values, PyObject* shape, NoneItems none) {
  CooFormat coo;
  coo.non_zero_indices = to_index_lists(indices);
  coo.non_zero_values = to_f64_list(values, none);
  coo.shape = to_u64_list(shape);
  return coo;
}

[[noreturn]] void not_sparse() { throw Error{ErrorKind::Type, "not a sparse entry"}; }

// A 3-tuple (indices, values, shape), or else a sequence of exactly three lists.
CooFormat read_coo(PyObject* item, NoneItems none) {
  if (PyTuple_Check(item) && PyTuple_GET_SIZE(item) == 3) {
    CooFormat coo;
    if (attempt_form([&] {
          coo = coo_from_parts(PyTuple_GET_ITEM(item, 0), PyTuple_GET_ITEM(item, 1), PyTuple_GET_ITEM(item, 2), none);
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
    return coo_from_parts(parts[0].get(), parts[1].get(), parts[2].get(), none);
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
  return coo_from_parts(parts[0].get(), parts[1].get(), parts[2].get(), none);
}

// Calls `entries(name, value)` for each item of a dict with str keys.
template <class F>
void for_each_solution_item(PyObject* object, F&& entries) {
  if (!PyDict_Check(object)) throw Error{ErrorKind::Type, "not a dict"};
  for_each_dict_item(object, [&](PyObject* key, PyObject* value) { entries(to_utf8(key), value); });
}

SparseSolution read_sparse_solution(PyObject* object, NoneItems none) {
  SparseSolution solution;
  for_each_solution_item(object, [&](std::string name, PyObject* value) {
    std::vector<CooFormat> entries;
    for_each_sequence_item(value, [&](PyRef item) { entries.push_back(read_coo(item.get(), none)); });
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
      std::optional<DenseArray> array = read_float64_array(numpy, item.get());
      if (!array) throw Error{ErrorKind::Type, "not a float64 array"};
      entries.push_back(std::move(*array));
    });
    solution.insert_or_assign(std::move(name), std::move(entries));
  });
  return solution;
}

// Which readings can take a solution, told by its first entry in reading order: a float64 array
// is only ever a dense entry (it is no tuple or list, nor a sequence of lists) and anything else
// only ever a sparse one, so trying sparse then dense ends with the reading picked here. No
// entry reads as sparse; entries that cannot be looked at without an error are left to both.
enum class SolutionForm : std::uint8_t { Sparse, Dense, Either };

SolutionForm solution_form(const Numpy& numpy, PyObject* solution) {
  if (!PyDict_Check(solution)) return SolutionForm::Either;
  Py_ssize_t at = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(solution, &at, &key, &value)) {
    PyRef first;  // held from here: looking at it can run Python code
    if (PyList_Check(value) || PyTuple_Check(value)) {
      if (PySequence_Fast_GET_SIZE(value) == 0) continue;
      first = PyRef::borrow(PySequence_Fast_GET_ITEM(value, 0));
    } else {
      const PyRef entries = PyRef::borrow(value);
      if (PyUnicode_Check(value) || !PySequence_Check(value)) return SolutionForm::Either;
      PyRef iterator = PyRef::steal(PyObject_GetIter(entries.get()));
      if (iterator) first = PyRef::steal(PyIter_Next(iterator.get()));
      if (!first) {
        discard_exception();
        return SolutionForm::Either;
      }
    }
    return is_float64_array(numpy, first.get()) ? SolutionForm::Dense : SolutionForm::Sparse;
  }
  return SolutionForm::Sparse;
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

// Calls `list(name, entries)` for each variable of `solution` in name order, with its entries in
// the Python solution form as a new list.
template <class F>
void for_each_solution_list(const Numpy& numpy, const RecordSolution& solution, F&& list) {
  if (const auto* dense = std::get_if<DenseSolution>(&solution)) {
    for (const auto& [name, entries] : *dense) {
      list(name, entries_to_py(entries, [&](const DenseArray& a) { return dense_to_py(numpy, a); }));
    }
  } else {
    for (const auto& [name, entries] : std::get<SparseSolution>(solution)) list(name, entries_to_py(entries, coo_to_py));
  }
}

// `build(numpy)` in a pause: numpy is looked up first only for a dense solution, which needs it.
template <class F>
PyRef build_solution_paused(const RecordSolution& solution, F&& build) {
  if (std::holds_alternative<DenseSolution>(solution)) return build_paused(build);
  const CollectorPaused paused;
  return build(Numpy::unused());
}

// The dict of columns of the pandas form.
PyRef record_table(const Numpy& numpy, const Record& record) {
  PyRef table = new_dict();
  for_each_solution_list(numpy, record.solution, [&](const std::string& name, const PyRef& entries) {
    dict_set(table.get(), "solution[" + name + "]", entries.get());
  });
  dict_set(table.get(), "num_occurrences", py_u64_list(record.num_occurrences).get());
  return table;
}

}  // namespace

RecordSolution extract_solution(PyObject* object, NoneItems none) {
  RecordSolution solution;
  const SolutionForm form = solution_form(Numpy::import(), object);
  if (form != SolutionForm::Dense && attempt_form([&] { solution = read_sparse_solution(object, none); })) return solution;
  if (form != SolutionForm::Sparse && attempt_form([&] { solution = read_dense_solution(object); })) return solution;
  raise(ErrorKind::Type, kNotASolution);
}

PyRef solution_to_py(const Numpy& numpy, const RecordSolution& solution) {
  PyRef dict = new_dict();
  for_each_solution_list(numpy, solution, [&](const std::string& name, const PyRef& entries) {
    dict_set(dict.get(), name, entries.get());
  });
  return dict;
}

// ---- dict and pandas forms ----

PyRef record_to_dict(const Numpy& numpy, const Record& record) {
  PyRef dict = new_dict();
  dict_set(dict.get(), "solution", solution_to_py(numpy, record.solution).get());
  dict_set(dict.get(), "num_occurrences", py_u64_list(record.num_occurrences).get());
  return dict;
}

Record record_from_dict(PyObject* dict) {
  Record record;
  if (PyRef solution = dict_item(dict, "solution")) record.solution = extract_solution(solution.get());
  if (PyRef counts = dict_item(dict, "num_occurrences")) record.num_occurrences = to_u64_list(counts.get());
  return record;
}

PyRef record_to_pandas(const Pandas& pandas, const Record& record) {
  PyRef table = build_solution_paused(record.solution, [&](const Numpy& numpy) { return record_table(numpy, record); });
  return call(pandas.from_dict.get(), {table.get()});
}

// ---- the Python class ----

template <>
struct ValueClass<Record> {
  static constexpr ClassId kId = ClassId::Record;
  static bool eq(const Record& a, const Record& b) noexcept { return record_eq(a, b); }
  static void append_text(std::string& out, const Record& value) { append_record_text(out, value); }
  static PyRef to_dict(const Record& value) {
    return build_solution_paused(value.solution, [&](const Numpy& numpy) { return record_to_dict(numpy, value); });
  }
  static Record from_dict(PyObject* dict) { return record_from_dict(dict); }
  static Record read_json(json::Cursor& cursor) { return read_record_json(cursor); }
};

PyRef wrap_record(Record record) { return value_class::wrap(std::move(record)); }

namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::Record), "__new__",
                                          {positional("solution"), positional("num_occurrences")});

Borrow<Record> held(PyObject* self) { return value_class::held<Record>(self); }

PyRef record_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Record record;
  record.solution =
      convert_argument(arguments, kNew.param("solution"), [](PyObject* object) { return extract_solution(object); });
  record.num_occurrences =
      convert_argument(arguments, kNew.param("num_occurrences"), to_u64_list);
  return wrap_record(std::move(record));
}

PyRef get_solution(PyObject* self) {
  const Borrow<Record> record = held(self);
  return build_solution_paused(record->solution,
                               [&](const Numpy& numpy) { return solution_to_py(numpy, record->solution); });
}
PyRef get_num_occurrences(PyObject* self) { return py_u64_list(held(self)->num_occurrences); }

void set_solution(PyObject* self, PyObject* value) {
  RecordSolution solution = extract_solution(value);
  borrow_mut<Record>(self, ClassId::Record)->solution = std::move(solution);
}
void set_num_occurrences(PyObject* self, PyObject* value) {
  std::vector<std::uint64_t> counts = to_u64_list(value);
  borrow_mut<Record>(self, ClassId::Record)->num_occurrences = std::move(counts);
}

PyRef record_is_dense(PyObject* self) { return py_bool(is_dense(*held(self))); }
PyRef record_is_sparse(PyObject* self) { return py_bool(!is_dense(*held(self))); }
PyRef record_to_dense_method(PyObject* self) { return wrap_record(record_to_dense(*held(self))); }
PyRef record_to_sparse_method(PyObject* self) { return wrap_record(record_to_sparse(*held(self))); }
PyRef record_to_pandas_method(PyObject* self) { return record_to_pandas(Pandas::import(), *held(self)); }

PyGetSetDef kGetSet[] = {
    getter_setter<get_solution, set_solution>("solution"),
    getter_setter<get_num_occurrences, set_num_occurrences>("num_occurrences"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<record_is_dense>("is_dense", docs::kMethodRecordIsDense),
    noargs_method<record_is_sparse>("is_sparse", docs::kMethodRecordIsSparse),
    value_class::to_dict_method<Record>(docs::kMethodRecordToDict),
    value_class::from_dict_method<Record>(docs::kMethodRecordFromDict),
    value_class::to_json_method<Record>(docs::kMethodRecordToJson),
    value_class::from_json_method<Record>(docs::kMethodRecordFromJson),
    noargs_method<record_to_dense_method>("to_dense", docs::kMethodRecordToDense),
    noargs_method<record_to_sparse_method>("to_sparse", docs::kMethodRecordToSparse),
    noargs_method<record_to_pandas_method>("to_pandas", docs::kMethodRecordToPandas),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

const ClassDef kRecordClass{
    .basicsize = sizeof(Instance<Record>),
    .dealloc = &dealloc_instance<Record>,
    .tp_new = &constructor_new<record_new>,
    .vectorcall = &constructor_vectorcall<record_new>,
    .constructor = &kNew,
    .slots = value_class::kSlots<Record>,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
