// Evaluation: conversions from and to Python (numpy arrays out, any sequences in), text,
// equality, dict, JSON and pandas forms, and the Python class.
#include "sample_set/evaluation.hpp"

#include <fmt/format.h>

#include "lib/docs.hpp"
#include "lib/registry.hpp"
#include "sample_set/float_text.hpp"
#include "sample_set/json_writer.hpp"
#include "sample_set/python_values.hpp"

namespace zorvane {

bool evaluation_eq(const Evaluation& a, const Evaluation& b) noexcept {
  // std::vector and std::map compare elements with ==, which is IEEE equality for doubles.
  return a.energy == b.energy && a.objective == b.objective &&
         a.constraint_violations == b.constraint_violations &&
         a.constraint_forall == b.constraint_forall && a.constraint_values == b.constraint_values &&
         a.penalty == b.penalty;
}

// ---- text ----

namespace {

// A name in double quotes; quotes, backslashes and control characters escaped.
void append_quoted_name(std::string& out, std::string_view name) {
  out += '"';
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out += fmt::format("\\u{{{:x}}}", byte);
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void append_float_list_text(std::string& out, const std::vector<double>& values) {
  out += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    append_float_debug(out, values[i]);
  }
  out += ']';
}

void append_row_text(std::string& out, const std::vector<std::uint64_t>& row) {
  out += '[';
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(row[i]);
  }
  out += ']';
}

void append_rows_text(std::string& out, const std::vector<std::vector<std::uint64_t>>& rows) {
  out += '[';
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) out += ", ";
    append_row_text(out, rows[i]);
  }
  out += ']';
}

template <class T, class F>
void append_map_text(std::string& out, const std::map<std::string, T>& map, F&& value) {
  out += '{';
  bool first = true;
  for (const auto& [name, item] : map) {
    if (!first) out += ", ";
    first = false;
    append_quoted_name(out, name);
    out += ": ";
    value(out, item);
  }
  out += '}';
}

}  // namespace

void append_evaluation_text(std::string& out, const Evaluation& value) {
  out += "Evaluation(energy=";
  append_float_list_text(out, value.energy);
  out += ", objective=";
  append_float_list_text(out, value.objective);
  out += ", constraint_violations=";
  append_map_text(out, value.constraint_violations, append_float_list_text);
  out += ", constraint_forall=";
  append_map_text(out, value.constraint_forall, append_rows_text);
  out += ", constraint_values=[";
  for (std::size_t i = 0; i < value.constraint_values.size(); ++i) {
    if (i > 0) out += ", ";
    append_map_text(out, value.constraint_values[i], append_float_list_text);
  }
  out += "], penalty=";
  append_map_text(out, value.penalty, append_float_list_text);
  out += ')';
}

// ---- from Python ----

namespace {

FloatMap to_float_map(PyObject* object) { return to_name_map<std::vector<double>>(object, to_f64_list); }

std::vector<std::vector<std::uint64_t>> to_rows(PyObject* object) {
  std::vector<std::vector<std::uint64_t>> rows;
  for_each_sequence_item(object, [&](PyRef row) { rows.push_back(to_u64_list(row.get())); });
  return rows;
}

ForallMap to_forall_map(PyObject* object) {
  return to_name_map<std::vector<std::vector<std::uint64_t>>>(object, to_rows);
}

std::vector<FloatMap> to_float_maps(PyObject* object) {
  std::vector<FloatMap> maps;
  for_each_sequence_item(object, [&](PyRef map) { maps.push_back(to_float_map(map.get())); });
  return maps;
}

// The six fields in declaration order, converted by the rule of each field.
struct FieldRule {
  const char* name;
  void (*convert)(Evaluation&, PyObject*);
};

constexpr FieldRule kFields[] = {
    {"energy", [](Evaluation& e, PyObject* o) { e.energy = to_f64_list(o); }},
    {"objective", [](Evaluation& e, PyObject* o) { e.objective = to_f64_list(o); }},
    {"constraint_violations", [](Evaluation& e, PyObject* o) { e.constraint_violations = to_float_map(o); }},
    {"constraint_forall", [](Evaluation& e, PyObject* o) { e.constraint_forall = to_forall_map(o); }},
    {"constraint_values", [](Evaluation& e, PyObject* o) { e.constraint_values = to_float_maps(o); }},
    {"penalty", [](Evaluation& e, PyObject* o) { e.penalty = to_float_map(o); }},
};

}  // namespace

Evaluation evaluation_from_dict(PyObject* dict) {
  Evaluation value;
  for (const FieldRule& field : kFields) {
    if (PyRef item = dict_item(dict, field.name)) field.convert(value, item.get());
  }
  return value;
}

// ---- to Python ----

namespace {

PyRef float_array(const Numpy& numpy, const std::vector<double>& values) {
  const std::size_t shape[] = {values.size()};
  return new_float64_array(numpy, shape, values);
}

PyRef float_map_to_py(const Numpy& numpy, const FloatMap& map) {
  PyRef dict = new_dict();
  for (const auto& [name, values] : map) dict_set(dict.get(), name, float_array(numpy, values).get());
  return dict;
}

// A (rows, columns) uint64 array; every row must have the first row's length.
PyRef rows_to_py(const Numpy& numpy, const std::vector<std::vector<std::uint64_t>>& rows) {
  const std::size_t columns = rows.empty() ? 0 : rows.front().size();
  std::vector<std::uint64_t> data;
  data.reserve(rows.size() * columns);
  for (const auto& row : rows) {
    if (row.size() != columns) {
      raise(ErrorKind::Type, fmt::format("invalid length: {}, but expected {}", row.size(), columns));
    }
    data.insert(data.end(), row.begin(), row.end());
  }
  return new_uint64_matrix(numpy, rows.size(), columns, data);
}

PyRef forall_to_py(const Numpy& numpy, const ForallMap& map) {
  PyRef dict = new_dict();
  for (const auto& [name, rows] : map) dict_set(dict.get(), name, rows_to_py(numpy, rows).get());
  return dict;
}

PyRef float_maps_to_py(const Numpy& numpy, const std::vector<FloatMap>& maps) {
  PyRef list = new_list(maps.size());
  for (std::size_t i = 0; i < maps.size(); ++i) list_set(list.get(), i, float_map_to_py(numpy, maps[i]));
  return list;
}

PyRef u64_tuple(const std::vector<std::uint64_t>& row) {
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(row.size())));
  for (std::size_t i = 0; i < row.size(); ++i) PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(i), py_u64(row[i]).release());
  return tuple;
}

PyRef constraint_expr_values(const Evaluation& value) {
  PyRef list = new_list(value.constraint_values.size());
  for (std::size_t sample = 0; sample < value.constraint_values.size(); ++sample) {
    const FloatMap& values = value.constraint_values[sample];
    PyRef by_name = new_dict();
    for (const auto& [name, rows] : value.constraint_forall) {
      const auto found = values.find(name);
      if (found == values.end() && rows.empty()) {
        dict_set(by_name.get(), name, new_dict().get());
        continue;
      }
      if (found == values.end()) {
        raise(ErrorKind::Value, fmt::format("the constraint values of sample {} have no entry for the "
                                            "constraint '{}'",
                                            sample, name));
      }
      PyRef by_index = new_dict();
      const std::size_t count = std::min(rows.size(), found->second.size());
      for (std::size_t i = 0; i < count; ++i) {
        PyRef key = u64_tuple(rows[i]);
        PyRef number = py_float(found->second[i]);
        if (PyDict_SetItem(by_index.get(), key.get(), number.get()) < 0) throw PythonError{};
      }
      dict_set(by_name.get(), name, by_index.get());
    }
    list_set(list.get(), sample, std::move(by_name));
  }
  return list;
}

PyRef rows_to_lists(const std::vector<std::vector<std::uint64_t>>& rows) {
  PyRef list = new_list(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) list_set(list.get(), i, py_u64_list(rows[i]));
  return list;
}

}  // namespace

PyRef evaluation_to_dict(const Evaluation& value) {
  const Numpy numpy = Numpy::import();
  PyRef dict = new_dict();
  dict_set(dict.get(), "energy", float_array(numpy, value.energy).get());
  dict_set(dict.get(), "objective", float_array(numpy, value.objective).get());
  dict_set(dict.get(), "constraint_violations", float_map_to_py(numpy, value.constraint_violations).get());
  dict_set(dict.get(), "constraint_forall", forall_to_py(numpy, value.constraint_forall).get());
  dict_set(dict.get(), "constraint_values", float_maps_to_py(numpy, value.constraint_values).get());
  dict_set(dict.get(), "penalty", float_map_to_py(numpy, value.penalty).get());
  return dict;
}

PyRef evaluation_to_pandas(const Evaluation& value) {
  PyRef table = new_dict();
  dict_set(table.get(), "energy", py_float_list(value.energy).get());
  dict_set(table.get(), "objective", py_float_list(value.objective).get());
  if (value.constraint_forall.empty()) {
    dict_set(table.get(), "constraint_forall", none().get());
  } else {
    // Every row carries the whole forall map.
    PyRef column = new_list(value.energy.size());
    for (std::size_t i = 0; i < value.energy.size(); ++i) {
      PyRef map = new_dict();
      for (const auto& [name, rows] : value.constraint_forall) dict_set(map.get(), name, rows_to_lists(rows).get());
      list_set(column.get(), i, std::move(map));
    }
    dict_set(table.get(), "constraint_forall", column.get());
  }
  if (value.constraint_values.empty()) {
    dict_set(table.get(), "constraint_values", none().get());
  } else {
    PyRef column = new_list(value.constraint_values.size());
    for (std::size_t i = 0; i < value.constraint_values.size(); ++i) {
      PyRef map = new_dict();
      for (const auto& [name, values] : value.constraint_values[i]) dict_set(map.get(), name, py_float_list(values).get());
      list_set(column.get(), i, std::move(map));
    }
    dict_set(table.get(), "constraint_values", column.get());
  }
  for (const auto& [name, values] : value.constraint_violations) {
    dict_set(table.get(), "constraint_violation[" + name + "]", py_float_list(values).get());
  }
  for (const auto& [name, values] : value.penalty) {
    dict_set(table.get(), "penalty[" + name + "]", py_float_list(values).get());
  }
  return dataframe_from_dict(table.get());
}

// ---- JSON ----

namespace {

void append_float_map_json(std::string& out, const FloatMap& map) {
  json::append_map(out, map, json::append_f64_array);
}

std::vector<double> read_f64_list(json::Cursor& cursor) {
  std::vector<double> values;
  cursor.read_array("a sequence", [&] { values.push_back(cursor.read_f64()); });
  return values;
}

std::vector<std::uint64_t> read_u64_list(json::Cursor& cursor) {
  std::vector<std::uint64_t> values;
  cursor.read_array("a sequence", [&] { values.push_back(cursor.read_u64()); });
  return values;
}

template <class T, class F>
std::map<std::string, T> read_name_map(json::Cursor& cursor, F&& value) {
  std::map<std::string, T> map;
  cursor.read_object("a map", [&](std::string name) { map.insert_or_assign(std::move(name), value(cursor)); });
  return map;
}

FloatMap read_float_map(json::Cursor& cursor) {
  return read_name_map<std::vector<double>>(cursor, read_f64_list);
}

}  // namespace

void append_evaluation_json(std::string& out, const Evaluation& value) {
  out += "{\"energy\":";
  json::append_f64_array(out, value.energy);
  out += ",\"objective\":";
  json::append_f64_array(out, value.objective);
  out += ",\"constraint_violations\":";
  append_float_map_json(out, value.constraint_violations);
  out += ",\"constraint_forall\":";
  json::append_map(out, value.constraint_forall, [](std::string& o, const auto& rows) {
    json::append_array(o, rows, json::append_u64_array);
  });
  out += ",\"constraint_values\":";
  json::append_array(out, value.constraint_values, append_float_map_json);
  out += ",\"penalty\":";
  append_float_map_json(out, value.penalty);
  out += '}';
}

Evaluation read_evaluation_json(json::Cursor& cursor) {
  static constexpr const char* kNames[] = {"energy", "objective", "constraint_violations",
                                           "constraint_forall", "constraint_values", "penalty"};
  static constexpr json::StructShape kShape{"PyEvaluation", kNames, 6, nullptr};
  Evaluation value;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    switch (field) {
      case 0: value.energy = read_f64_list(cursor); break;
      case 1: value.objective = read_f64_list(cursor); break;
      case 2: value.constraint_violations = read_float_map(cursor); break;
      case 3:
        value.constraint_forall = read_name_map<std::vector<std::vector<std::uint64_t>>>(cursor, [](json::Cursor& c) {
          std::vector<std::vector<std::uint64_t>> rows;
          c.read_array("a sequence", [&] { rows.push_back(read_u64_list(c)); });
          return rows;
        });
        break;
      case 4:
        value.constraint_values.clear();
        cursor.read_array("a sequence", [&] { value.constraint_values.push_back(read_float_map(cursor)); });
        break;
      default: value.penalty = read_float_map(cursor);
    }
  });
  return value;
}

// ---- the Python class ----

PyRef wrap_evaluation(Evaluation value) { return new_instance(ClassId::Evaluation, std::move(value)); }

namespace {

constexpr Signature kNew{.owner = class_name(ClassId::Evaluation),
                         .function = "__new__",
                         .names = {"energy", "objective", "constraint_violations", "constraint_forall",
                                   "constraint_values", "penalty"},
                         .positional = 6};
constexpr Signature kFromDict{.owner = class_name(ClassId::Evaluation), .function = "from_dict", .names = {"dict"},
                              .positional = 1, .required_positional = 1};
constexpr Signature kFromJson{.owner = class_name(ClassId::Evaluation), .function = "from_json", .names = {"json"},
                              .positional = 1, .required_positional = 1};

Borrow<Evaluation> held(PyObject* self) { return borrow<Evaluation>(self, ClassId::Evaluation); }

PyRef evaluation_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Evaluation value;
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    PyObject* argument = arguments[i];
    if (argument == nullptr || argument == Py_None) continue;
    convert_argument(kFields[i].name, [&] { kFields[i].convert(value, argument); });
  }
  return wrap_evaluation(std::move(value));
}

template <std::size_t I>
void set_field(PyObject* self, PyObject* object) {
  Evaluation converted;
  kFields[I].convert(converted, object);
  BorrowMut<Evaluation> value = borrow_mut<Evaluation>(self, ClassId::Evaluation);
  switch (I) {
    case 0: value->energy = std::move(converted.energy); break;
    case 1: value->objective = std::move(converted.objective); break;
    case 2: value->constraint_violations = std::move(converted.constraint_violations); break;
    case 3: value->constraint_forall = std::move(converted.constraint_forall); break;
    case 4: value->constraint_values = std::move(converted.constraint_values); break;
    default: value->penalty = std::move(converted.penalty);
  }
}

PyRef get_energy(PyObject* self) { return float_array(Numpy::import(), held(self)->energy); }
PyRef get_objective(PyObject* self) { return float_array(Numpy::import(), held(self)->objective); }
PyRef get_constraint_violations(PyObject* self) {
  return float_map_to_py(Numpy::import(), held(self)->constraint_violations);
}
PyRef get_constraint_forall(PyObject* self) { return forall_to_py(Numpy::import(), held(self)->constraint_forall); }
PyRef get_constraint_values(PyObject* self) {
  return float_maps_to_py(Numpy::import(), held(self)->constraint_values);
}
PyRef get_penalty(PyObject* self) { return float_map_to_py(Numpy::import(), held(self)->penalty); }
PyRef get_constraint_expr_values(PyObject* self) { return constraint_expr_values(*held(self)); }

PyRef evaluation_repr(PyObject* self) {
  std::string text;
  append_evaluation_text(text, *held(self));
  return new_str(text);
}

PyRef evaluation_to_dict_method(PyObject* self) { return evaluation_to_dict(*held(self)); }
PyRef evaluation_to_pandas_method(PyObject* self) { return evaluation_to_pandas(*held(self)); }

PyRef evaluation_to_json(PyObject* self) {
  std::string text;
  append_evaluation_json(text, *held(self));
  return new_str(text);
}

PyRef evaluation_from_dict_method(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromDict, args, nargs, kwnames);
  convert_argument("dict", [&] { check_dict(arguments[0]); });
  return wrap_evaluation(evaluation_from_dict(arguments[0]));
}

PyRef evaluation_from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJson, args, nargs, kwnames);
  const std::string text = convert_argument("json", [&] { return to_string(arguments[0]); });
  json::Cursor cursor(text);
  Evaluation value = read_evaluation_json(cursor);
  cursor.finish();
  return wrap_evaluation(std::move(value));
}

PyGetSetDef kGetSet[] = {
    getter_setter<get_energy, set_field<0>>("energy"),
    getter_setter<get_objective, set_field<1>>("objective"),
    getter_setter<get_constraint_violations, set_field<2>>("constraint_violations"),
    getter_setter<get_constraint_forall, set_field<3>>("constraint_forall"),
    getter_setter<get_constraint_values, set_field<4>>("constraint_values"),
    getter_setter<get_penalty, set_field<5>>("penalty"),
    getter<get_constraint_expr_values>("constraint_expr_values", docs::kGetterEvaluationConstraintExprValues),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<evaluation_to_dict_method>("to_dict", docs::kMethodDocEvaluationToDict),
    static_method<evaluation_from_dict_method>("from_dict", docs::kMethodDocEvaluationFromDict),
    noargs_method<evaluation_to_json>("to_json", docs::kMethodDocEvaluationToJson),
    static_method<evaluation_from_json>("from_json", docs::kMethodDocEvaluationFromJson),
    noargs_method<evaluation_to_pandas_method>("to_pandas", docs::kMethodDocEvaluationToPandas),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<evaluation_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<evaluation_repr>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<Evaluation, ClassId::Evaluation, evaluation_eq>>)},
};

}  // namespace

const ClassDef kEvaluationClass{
    .basicsize = sizeof(Instance<Evaluation>),
    .dealloc = &dealloc_instance<Evaluation>,
    .tp_new = &constructor_new<evaluation_new>,
    .vectorcall = &constructor_vectorcall<evaluation_new>,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
