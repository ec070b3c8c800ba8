// SampleSet: construction, attributes, text, equality, dict, JSON and pandas
// forms, the dense form, and the Python class.
#include "python/sample_set/sample_set.hpp"

#include <algorithm>
#include <limits>

#include "core/interrupt.hpp"
#include "core/sample_set/sample_set_json.hpp"
#include "python/docs.hpp"
#include "python/frame/attempt.hpp"
#include "python/sample_set/evaluation.hpp"
#include "python/sample_set/measuring_time.hpp"
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/record.hpp"
#include "python/sample_set/value_class.hpp"

namespace zorvane {

bool sample_set_eq(const SampleSet& a, const SampleSet& b) {
  if (!record_eq(a.record, b.record) || !evaluation_eq(a.evaluation, b.evaluation) ||
      !measuring_time_eq(a.measuring_time, b.measuring_time)) {
    return false;
  }
  PyRef equal = checked(PyObject_RichCompare(a.metadata.get(), b.metadata.get(), Py_EQ));
  const int truth = PyObject_IsTrue(equal.get());
  if (truth < 0) throw PythonError{};
  return truth == 1;
}

namespace {

// Embedded Python sources, each compiled and run once, on first use.
constexpr const char* kDumpSource = R"py(import orjson
import numpy as np


def default(obj):
    if isinstance(obj, np.ndarray):
        return obj.tolist()
    return obj


def dump(obj):
    return orjson.dumps(obj, default=default, option=orjson.OPT_SERIALIZE_NUMPY).decode("utf-8")


def dump_metadata(metadata):
    # Inside its key, so nesting counts towards orjson's depth limit as in the whole dict form.
    return orjson.dumps({"metadata": metadata}, default=default, option=orjson.OPT_SERIALIZE_NUMPY)
)py";

constexpr Signature kNew = make_signature(class_name(ClassId::SampleSet), "__new__",
                                          {positional("record"), positional("evaluation"), positional("measuring_time"),
                                           positional("metadata", "None")});
constexpr Signature kFromJson = make_signature(class_name(ClassId::SampleSet), "from_json", {positional("json")});

Borrow<SampleSet> held(PyObject* self) { return borrow<SampleSet>(self, ClassId::SampleSet); }

// A copy of the value an object of class `Id` holds.
template <class T, ClassId Id>
T copy_of(PyObject* object) {
  return *borrow<T>(object, Id);
}

PyRef metadata_dict(PyObject* object) {
  check_dict(object);
  return PyRef::borrow(object);
}

PyRef sample_set_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  SampleSet value;
  value.record = convert_argument(arguments, kNew.param("record"), copy_of<Record, ClassId::Record>);
  value.evaluation = convert_argument(arguments, kNew.param("evaluation"), copy_of<Evaluation, ClassId::Evaluation>);
  value.measuring_time =
      convert_argument(arguments, kNew.param("measuring_time"), copy_of<MeasuringTime, ClassId::MeasuringTime>);
  PyObject* metadata = arguments[kNew.param("metadata")];
  if (metadata == nullptr || metadata == Py_None) {
    value.metadata = new_dict();
  } else {
    value.metadata = convert_argument("metadata", [&] { return metadata_dict(metadata); });
  }
  return wrap_sample_set(std::move(value));
}

PyRef get_record(PyObject* self) { return wrap_record(held(self)->record); }
PyRef get_evaluation(PyObject* self) { return wrap_evaluation(held(self)->evaluation); }
PyRef get_measuring_time(PyObject* self) {
  return new_instance(ClassId::MeasuringTime, held(self)->measuring_time);
}
PyRef get_metadata(PyObject* self) { return held(self)->metadata; }

BorrowMut<SampleSet> held_mut(PyObject* self) { return borrow_mut<SampleSet>(self, ClassId::SampleSet); }

void set_record(PyObject* self, PyObject* value) {
  Record record = *borrow<Record>(value, ClassId::Record);
  held_mut(self)->record = std::move(record);
}
void set_evaluation(PyObject* self, PyObject* value) {
  Evaluation evaluation = *borrow<Evaluation>(value, ClassId::Evaluation);
  held_mut(self)->evaluation = std::move(evaluation);
}
void set_measuring_time(PyObject* self, PyObject* value) {
  MeasuringTime time = *borrow<MeasuringTime>(value, ClassId::MeasuringTime);
  held_mut(self)->measuring_time = time;
}
void set_metadata(PyObject* self, PyObject* value) {
  PyRef metadata = metadata_dict(value);
  PyRef old;
  {
    BorrowMut<SampleSet> set = held_mut(self);
    old = std::exchange(set->metadata, std::move(metadata));
  }
  // `old` is released after the borrow ends: dropping it may run Python code.
}

PyRef sample_set_repr(PyObject* self) {
  Borrow<SampleSet> set = held(self);
  std::string text = "SampleSet(record=";
  append_record_text(text, set->record);
  text += ", evaluation=";
  append_evaluation_text(text, set->evaluation);
  text += ", measuring_time=";
  append_measuring_time_text(text, set->measuring_time);
  text += ", metadata=";
  PyRef metadata_text = PyRef::steal(PyObject_Str(set->metadata.get()));
  const char* utf8 = metadata_text ? PyUnicode_AsUTF8(metadata_text.get()) : nullptr;
  if (utf8 != nullptr) {
    text += utf8;
  } else {
    discard_exception();
    text += "<unprintable dict object>";
  }
  text += ')';
  return new_str(text);
}

// The dict form, built in a pause (it holds the metadata dict as it is).
PyRef sample_set_to_dict_value(const SampleSet& set) {
  return build_paused([&](const Numpy& numpy) {
    PyRef dict = new_dict();
    dict_set(dict.get(), "record", record_to_dict(numpy, set.record).get());
    dict_set(dict.get(), "evaluation", evaluation_to_dict(numpy, set.evaluation).get());
    dict_set(dict.get(), "measuring_time", measuring_time_to_dict(set.measuring_time).get());
    dict_set(dict.get(), "metadata", set.metadata.get());
    return dict;
  });
}

// The dict under `key`: ValueError when missing, TypeError when not a dict.
PyRef required_dict(PyObject* dict, const char* key) {
  PyRef value = dict_item(dict, key);
  if (!value) raise(ErrorKind::Value, std::string("the key '") + key + "' is not included in the dict");
  if (!PyDict_Check(value.get())) {
    raise(ErrorKind::Type, std::string("the value of the key '") + key + "' is not dict");
  }
  return value;
}

SampleSet sample_set_from_dict(PyObject* dict, Record (*read_record)(PyObject*) = record_from_dict,
                               NoneItems none = NoneItems::Refused) {
  SampleSet value;
  value.record = read_record(required_dict(dict, "record").get());
  value.evaluation = evaluation_from_dict(required_dict(dict, "evaluation").get(), none);
  value.measuring_time = measuring_time_from_dict(required_dict(dict, "measuring_time").get());
  PyRef metadata = dict_item(dict, "metadata");
  if (!metadata) {
    value.metadata = new_dict();
  } else if (!PyDict_Check(metadata.get())) {
    raise(ErrorKind::Type, "the value of the key 'metadata' is not dict");
  } else {
    value.metadata = std::move(metadata);
  }
  return value;
}

}  // namespace

template <>
struct ValueClass<SampleSet> {
  static constexpr ClassId kId = ClassId::SampleSet;
  static PyRef to_dict(const SampleSet& value) { return sample_set_to_dict_value(value); }
  static SampleSet from_dict(PyObject* dict) { return sample_set_from_dict(dict); }
};

PyRef wrap_sample_set(SampleSet value) { return value_class::wrap(std::move(value)); }

namespace {

// ---- reading the JSON text back ----
// `to_json` writes the dict form with every numpy array as nested lists, so a dense solution
// comes back as lists where the dict form holds arrays; and it writes NaN and the infinities as
// null, so None stands for NaN in a list of floats. Only this path reads such lists: the
// constructors and `from_dict` take arrays and refuse None.

[[noreturn]] void not_dense_lists() { raise(ErrorKind::Type, "not the lists of a dense array"); }

// The shape that lists nested as `tolist()` writes them tell by their first items: the length of
// each list down to a number, or to a list of length zero, which ends the shape (nothing in the
// lists tells the lengths of later axes). Type checks alone.
std::vector<std::uint64_t> first_items_shape(PyObject* object) {
  std::vector<std::uint64_t> shape;
  for (PyObject* level = object; PyList_Check(level);) {
    shape.push_back(std::uint64_t(PyList_GET_SIZE(level)));
    if (shape.back() == 0) break;
    level = PyList_GET_ITEM(level, 0);
  }
  return shape;
}

// One array as `tolist()` writes it: a bare number for no axes, otherwise lists nested once per
// axis, all lists of one depth as long as the first one there.
DenseArray dense_array_from_lists(PyObject* object) {
  const std::vector<std::uint64_t> shape = first_items_shape(object);
  // Only exact lists, ints, floats and None are taken, so the one point where Python code runs
  // is the interrupt poll, whose signal handlers may change any list: every open list is held,
  // and its length checked again before an item is read.
  struct Level {
    PyRef list;
    std::size_t next;
  };
  std::vector<Level> stack;
  std::vector<double> data;
  const auto enter = [&](PyObject* item) {
    if (stack.size() < shape.size()) {
      if (!PyList_CheckExact(item) || std::size_t(PyList_GET_SIZE(item)) != shape[stack.size()]) not_dense_lists();
      stack.push_back({PyRef::borrow(item), 0});
    } else if (PyFloat_CheckExact(item) || PyLong_CheckExact(item)) {
      data.push_back(to_f64(item));
    } else if (item == Py_None) {
      data.push_back(std::numeric_limits<double>::quiet_NaN());
    } else {
      not_dense_lists();
    }
  };
  InterruptPoll poll;
  enter(object);
  while (!stack.empty()) {
    poll.tick();
    Level& top = stack.back();
    const std::size_t length = shape[stack.size() - 1];
    if (std::size_t(PyList_GET_SIZE(top.list.get())) != length) {
      raise(ErrorKind::Runtime, "list changed size during iteration");
    }
    if (top.next == length) {
      stack.pop_back();
    } else {
      enter(PyList_GET_ITEM(top.list.get(), Py_ssize_t(top.next++)));
    }
  }
  DenseArray array = new_dense_array(shape);
  std::copy(data.begin(), data.end(), array.data());
  return array;
}

// Lists nested deeper than an array has axes hold no array of either form: refused at once with
// `Record.from_json`'s text, so that every set read can be written (and read) again.
void refuse_lists_deeper_than_arrays(PyObject* solution) {
  if (!PyDict_Check(solution)) return;
  Py_ssize_t at = 0;
  PyObject* key = nullptr;
  PyObject* entries = nullptr;
  while (PyDict_Next(solution, &at, &key, &entries)) {
    if (!PyList_Check(entries)) continue;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(entries); ++i) {
      const std::vector<std::uint64_t> shape = first_items_shape(PyList_GET_ITEM(entries, i));
      if (shape.size() > kMaxDenseAxes) raise(ErrorKind::Value, too_many_axes_text(shape));
    }
  }
}

DenseSolution dense_solution_from_lists(PyObject* solution) {
  return to_name_map<std::vector<DenseArray>>(solution, [](PyObject* entries) {
    std::vector<DenseArray> arrays;
    for_each_sequence_item(entries, [&](PyRef item) { arrays.push_back(dense_array_from_lists(item.get())); });
    return arrays;
  });
}

// Whether the first entry of a solution's JSON image can be a sparse entry: a list of three
// lists, the first holding only lists (the indices per axis) and the second no list (the
// values). The lists of a dense array look so only with an empty axis ([[], [], []]), which
// reads as sparse first. Type checks alone: no Python code runs.
bool may_be_sparse_image(PyObject* solution) {
  if (!PyDict_Check(solution)) return true;
  Py_ssize_t at = 0;
  PyObject* key = nullptr;
  PyObject* entries = nullptr;
  while (PyDict_Next(solution, &at, &key, &entries)) {
    if (!PyList_Check(entries)) return true;
    if (PyList_GET_SIZE(entries) == 0) continue;
    PyObject* entry = PyList_GET_ITEM(entries, 0);
    if (!PyList_Check(entry) || PyList_GET_SIZE(entry) != 3) return false;
    PyObject* axes = PyList_GET_ITEM(entry, 0);
    PyObject* values = PyList_GET_ITEM(entry, 1);
    if (!PyList_Check(axes) || !PyList_Check(values) || !PyList_Check(PyList_GET_ITEM(entry, 2))) return false;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(axes); ++i) {
      if (!PyList_Check(PyList_GET_ITEM(axes, i))) return false;
    }
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(values); ++i) {
      if (PyList_Check(PyList_GET_ITEM(values, i))) return false;
    }
    return true;
  }
  return true;
}

// The solution as the dict form reads it (sparse first), else dense arrays from lists; when
// neither fits, the dict form's error. A first entry that cannot be sparse skips the dict form's
// reading, which would fail. A list or dict that changed while it was read is refused
// (RuntimeError), as by the dict form.
RecordSolution solution_from_json_image(PyObject* solution) {
  refuse_lists_deeper_than_arrays(solution);
  if (!may_be_sparse_image(solution)) {
    DenseSolution dense;
    if (attempt_form([&] { dense = dense_solution_from_lists(solution); })) return dense;
    return extract_solution(solution, NoneItems::AsNaN);  // raises the error the dict form gives
  }
  try {
    return extract_solution(solution, NoneItems::AsNaN);
  } catch (const Error& error) {
    if (error.kind == ErrorKind::Runtime) throw;
    DenseSolution dense;
    if (attempt_form([&] { dense = dense_solution_from_lists(solution); })) return dense;
    throw;
  }
}

Record record_from_json_image(PyObject* dict) {
  Record record;
  if (PyRef solution = dict_item(dict, "solution")) record.solution = solution_from_json_image(solution.get());
  if (PyRef counts = dict_item(dict, "num_occurrences")) record.num_occurrences = to_u64_list(counts.get());
  return record;
}

// The dict form as orjson writes it: the samples natively, the metadata through orjson, whose
// errors come last as they do when it writes the whole dict.
PyRef sample_set_to_json(PyObject* self) {
  static SourceFunction dump(kDumpSource, "dump");
  static SourceFunction dump_metadata(kDumpSource, "dump_metadata");
  PyObject* dump_function = dump.get();  // an ImportError comes before anything is written
  std::string text;
  PyRef metadata;
  {
    Borrow<SampleSet> set = held(self);
    if (writes_natively(*set)) {
      text = sample_set_json_head(*set);
      metadata = set->metadata;
    }
  }
  if (!metadata) {
    PyRef dict = sample_set_to_dict_value(*held(self));
    PyRef whole = call(dump_function, {dict.get()});
    if (!PyUnicode_Check(whole.get())) raise(ErrorKind::Type, cannot_convert_message(whole.get(), "PyString"));
    return whole;
  }
  if (PyDict_CheckExact(metadata.get()) && PyDict_GET_SIZE(metadata.get()) == 0) {
    text += "{}";
  } else {
    PyRef wrapped = call(dump_metadata.get(), {metadata.get()});
    char* bytes = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(wrapped.get(), &bytes, &size) < 0) throw PythonError{};
    // orjson writes the one key compactly; anything else (orjson.dumps replaced) is not spliced.
    constexpr std::string_view kKey = "{\"metadata\":";
    const std::string_view wrapped_text(bytes, std::size_t(size));
    if (wrapped_text.size() <= kKey.size() + 1 || !wrapped_text.starts_with(kKey) || !wrapped_text.ends_with('}')) {
      raise(ErrorKind::Value, "orjson.dumps did not write the metadata as {\"metadata\":...}");
    }
    text.append(wrapped_text.substr(kKey.size(), wrapped_text.size() - kKey.size() - 1));  // the value alone
  }
  text += '}';
  return new_str(text);
}

// `orjson.loads`, looked up on each use (orjson imported first): a replaced one is honoured.
PyRef orjson_loads() {
  PyRef orjson = checked(PyImport_ImportModule("orjson"));
  return checked(PyObject_GetAttrString(orjson.get(), "loads"));
}

// The sparse text `to_json` writes is read natively, its metadata alone through `loads`; any
// other text, or a metadata that `loads` refuses, goes the general way: its value, then the dict
// form. The value of a plain text that is not a sparse set's, which orjson would read without
// an error, is made from the events already read, in a pause, when `loads` is orjson's own: as
// orjson makes it, and without its error class, which runs Python code (orjson raises it for want
// of memory too). Otherwise `loads` makes it, with the collector as the caller set it. The value
// is dropped before the set is made, so that no collection walks it.
PyRef sample_set_from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJson, args, nargs, kwnames);
  PyObject* text = arguments[kFromJson.param("json")];
  const std::string_view utf8 = json_argument(text);
  const PyRef loads = orjson_loads();  // an ImportError comes before anything is read
  std::string_view metadata_text;
  json::EventList plain_events;
  if (std::optional<SampleData> data = read_sample_set_json(utf8, metadata_text, &plain_events)) {
    PyRef metadata;
    if (metadata_text.empty()) {
      metadata = new_dict();
    } else if (!attempt([&] { metadata = call(loads.get(), {new_str(metadata_text).get()}); })) {
      metadata = PyRef();
    }
    if (metadata && PyDict_Check(metadata.get())) {
      return wrap_sample_set(SampleSet{std::move(*data), std::move(metadata)});
    }
  }
  PyRef image;
  if (!plain_events.events.empty() && is_c_function(loads.get(), "orjson", "loads")) {
    const CollectorPaused paused;
    image = json_value(plain_events);
  } else {
    // orjson reads an exact str alone: a subclass's (numpy.str_) text is passed as a str.
    image = call(loads.get(), {PyUnicode_CheckExact(text) ? text : new_str(utf8).get()});
  }
  plain_events = json::EventList();  // its memory is no longer needed
  check_dict(image.get());
  SampleSet value = sample_set_from_dict(image.get(), record_from_json_image, NoneItems::AsNaN);
  image = PyRef();
  return wrap_sample_set(std::move(value));
}

PyRef sample_set_to_pandas(PyObject* self) {
  const Pandas pandas = Pandas::import();
  Borrow<SampleSet> set = held(self);
  PyRef tables = checked(PyList_New(2));
  PyList_SET_ITEM(tables.get(), 0, record_to_pandas(pandas, set->record).release());
  PyList_SET_ITEM(tables.get(), 1, evaluation_to_pandas(pandas, set->evaluation).release());
  PyRef positional = checked(PyTuple_Pack(1, tables.get()));
  PyRef keywords = new_dict();
  PyRef axis = checked(PyLong_FromLong(1));
  dict_set(keywords.get(), "axis", axis.get());
  return checked(PyObject_Call(pandas.concat.get(), positional.get(), keywords.get()));
}

PyRef sample_set_to_dense(PyObject* self) {
  Borrow<SampleSet> set = held(self);
  SampleSet dense{SampleData{record_to_dense(set->record), set->evaluation, set->measuring_time}, set->metadata};
  return wrap_sample_set(std::move(dense));
}

PyRef sample_set_is_dense(PyObject* self) { return py_bool(is_dense(held(self)->record)); }
PyRef sample_set_is_sparse(PyObject* self) { return py_bool(!is_dense(held(self)->record)); }

PyGetSetDef kGetSet[] = {
    getter_setter<get_record, set_record>("record"),
    getter_setter<get_evaluation, set_evaluation>("evaluation"),
    getter_setter<get_measuring_time, set_measuring_time>("measuring_time"),
    getter_setter<get_metadata, set_metadata>("metadata"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    value_class::to_dict_method<SampleSet>(docs::kMethodSampleSetToDict),
    value_class::from_dict_method<SampleSet>(docs::kMethodSampleSetFromDict),
    noargs_method<sample_set_to_json>("to_json", docs::kMethodSampleSetToJson),
    static_method<sample_set_from_json>(kFromJson, docs::kMethodSampleSetFromJson),
    noargs_method<sample_set_to_pandas>("to_pandas", docs::kMethodSampleSetToPandas),
    noargs_method<sample_set_to_dense>("to_dense", docs::kMethodSampleSetToDense),
    noargs_method<sample_set_is_dense>("is_dense", docs::kMethodSampleSetIsDense),
    noargs_method<sample_set_is_sparse>("is_sparse", docs::kMethodSampleSetIsSparse),
    sample_set_feasible_method(docs::kMethodSampleSetFeasible),
    sample_set_infeasible_method(docs::kMethodSampleSetInfeasible),
    sample_set_lowest_method(docs::kMethodSampleSetLowest),
    noargs_method<sample_set_backend_calculation_time>("get_backend_calculation_time",
                                                       docs::kMethodSampleSetGetBackendCalculationTime),
    {nullptr, nullptr, 0, nullptr},
};

// The metadata dict is the one Python object a set holds, and it may hold the set itself.
int visit_sample_set(const SampleSet& set, visitproc visit, void* arg) {
  Py_VISIT(set.metadata.get());
  return 0;
}

// Drops the metadata for a fresh empty dict, so that a set keeps holding a dict should anything
// still reach it. Without memory for one the reference stays: the dict's own clear then breaks
// the cycle.
void clear_sample_set(SampleSet& set) noexcept {
  PyObject* empty = PyDict_New();
  if (empty == nullptr) {
    PyErr_Clear();
    return;
  }
  set.metadata = PyRef::steal(empty);
}

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<sample_set_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<sample_set_repr>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<SampleSet, ClassId::SampleSet, sample_set_eq>>)},
};

}  // namespace

const ClassDef kSampleSetClass{
    .basicsize = sizeof(Instance<SampleSet>),
    .dealloc = &dealloc_instance<SampleSet>,
    .tp_new = &constructor_new<sample_set_new>,
    .vectorcall = &constructor_vectorcall<sample_set_new>,
    .constructor = &kNew,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
    .gc = gc_support<SampleSet, visit_sample_set, clear_sample_set>(),
};

}  // namespace zorvane
