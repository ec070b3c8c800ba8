// Evaluation: conversions from and to Python (numpy arrays out, any sequences in), the dict and
// pandas forms, and the Python class.
#include "python/sample_set/evaluation.hpp"

#include <fmt/format.h>

#include "python/docs.hpp"
#include "python/sample_set/value_class.hpp"

namespace zorvane {

// ---- from Python ----

namespace {

FloatMap to_float_map(PyObject* object, NoneItems none) {
  return to_name_map<std::vector<double>>(object, [&](PyObject* values) { return to_f64_list(values, none); });
}

std::vector<std::vector<std::uint64_t>> to_rows(PyObject* object) {
  std::vector<std::vector<std::uint64_t>> rows;
  for_each_sequence_item(object, [&](PyRef row) { rows.push_back(to_u64_list(row.get())); });
  return rows;
}

ForallMap to_forall_map(PyObject* object) {
  return to_name_map<std::vector<std::vector<std::uint64_t>>>(object, to_rows);
}

std::vector<FloatMap> to_float_maps(PyObject* object, NoneItems none) {
  std::vector<FloatMap> maps;
  for_each_sequence_item(object, [&](PyRef map) { maps.push_back(to_float_map(map.get(), none)); });
  return maps;
}

// The six fields in declaration order, converted by the rule of each field.
struct FieldRule {
  const char* name;
  void (*convert)(Evaluation&, PyObject*, NoneItems);
};

constexpr FieldRule kFields[] = {
    {"energy", [](Evaluation& e, PyObject* o, NoneItems none) { e.energy = to_f64_list(o, none); }},
    {"objective", [](Evaluation& e, PyObject* o, NoneItems none) { e.objective = to_f64_list(o, none); }},
    {"constraint_violations",
     [](Evaluation& e, PyObject* o, NoneItems none) { e.constraint_violations = to_float_map(o, none); }},
    {"constraint_forall", [](Evaluation& e, PyObject* o, NoneItems) { e.constraint_forall = to_forall_map(o); }},
    {"constraint_values",
     [](Evaluation& e, PyObject* o, NoneItems none) { e.constraint_values = to_float_maps(o, none); }},
    {"penalty", [](Evaluation& e, PyObject* o, NoneItems none) { e.penalty = to_float_map(o, none); }},
};

}  // namespace

Evaluation evaluation_from_dict(PyObject* dict, NoneItems none) {
  Evaluation value;
  for (const FieldRule& field : kFields) {
    if (PyRef item = dict_item(dict, field.name)) field.convert(value, item.get(), none);
  }
  return value;
}

// ---- to Python ----

namespace {

PyRef float_array(const Numpy& numpy, const std::vector<double>& values) {
  const std::size_t shape[] = {values.size()};
  return new_float64_array(numpy, shape, values);
}

// The Python forms of an evaluation's fields: arrays made through numpy, each name's str made
// once per conversion however many samples repeat it.
struct ToPython {
  Numpy numpy;
  NameStrings names;

  PyRef float_map(const FloatMap& map) {
    PyRef dict = new_dict();
    for (const auto& [name, values] : map) dict_set(dict.get(), names(name), float_array(numpy, values).get());
    return dict;
  }

  // A (rows, columns) uint64 array; every row must have the first row's length.
  PyRef rows(const std::vector<std::vector<std::uint64_t>>& rows) {
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

  PyRef forall(const ForallMap& map) {
    PyRef dict = new_dict();
    for (const auto& [name, each] : map) dict_set(dict.get(), names(name), rows(each).get());
    return dict;
  }

  PyRef float_maps(const std::vector<FloatMap>& maps) {
    PyRef list = new_list(maps.size());
    for (std::size_t i = 0; i < maps.size(); ++i) list_set(list.get(), i, float_map(maps[i]));
    return list;
  }
};

PyRef u64_tuple(const std::vector<std::uint64_t>& row) {
  PyRef tuple = checked(PyTuple_New(Py_ssize_t(row.size())));
  for (std::size_t i = 0; i < row.size(); ++i) PyTuple_SET_ITEM(tuple.get(), Py_ssize_t(i), py_u64(row[i]).release());
  return tuple;
}

// Made in a pause: it calls no Python code.
PyRef constraint_expr_values(const Evaluation& value) {
  const CollectorPaused paused;
  NameStrings names;
  PyRef list = new_list(value.constraint_values.size());
  for (std::size_t sample = 0; sample < value.constraint_values.size(); ++sample) {
    const FloatMap& values = value.constraint_values[sample];
    PyRef by_name = new_dict();
    for (const auto& [name, rows] : value.constraint_forall) {
      const auto found = values.find(name);
      if (found == values.end() && rows.empty()) {
        dict_set(by_name.get(), names(name), new_dict().get());
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
      dict_set(by_name.get(), names(name), by_index.get());
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

PyRef evaluation_to_dict(const Numpy& numpy, const Evaluation& value) {
  ToPython to_python{numpy, {}};
  PyRef dict = new_dict();
  dict_set(dict.get(), "energy", float_array(numpy, value.energy).get());
  dict_set(dict.get(), "objective", float_array(numpy, value.objective).get());
  dict_set(dict.get(), "constraint_violations", to_python.float_map(value.constraint_violations).get());
  dict_set(dict.get(), "constraint_forall", to_python.forall(value.constraint_forall).get());
  dict_set(dict.get(), "constraint_values", to_python.float_maps(value.constraint_values).get());
  dict_set(dict.get(), "penalty", to_python.float_map(value.penalty).get());
  return dict;
}

namespace {

// The dict of columns of the pandas form. The float columns go to pandas as float64 arrays: the
// same frame as lists of floats give (an empty column included), without pandas reading every
// float object back.
PyRef evaluation_table(const Numpy& numpy, const Evaluation& value) {
  NameStrings names;
  PyRef table = new_dict();
  dict_set(table.get(), "energy", float_array(numpy, value.energy).get());
  dict_set(table.get(), "objective", float_array(numpy, value.objective).get());
  if (value.constraint_forall.empty()) {
    dict_set(table.get(), "constraint_forall", none().get());
  } else {
    // Every row carries the whole forall map.
    PyRef column = new_list(value.energy.size());
    for (std::size_t i = 0; i < value.energy.size(); ++i) {
      PyRef map = new_dict();
      for (const auto& [name, rows] : value.constraint_forall) dict_set(map.get(), names(name), rows_to_lists(rows).get());
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
      for (const auto& [name, values] : value.constraint_values[i]) {
        dict_set(map.get(), names(name), py_float_list(values).get());
      }
      list_set(column.get(), i, std::move(map));
    }
    dict_set(table.get(), "constraint_values", column.get());
  }
  for (const auto& [name, values] : value.constraint_violations) {
    dict_set(table.get(), "constraint_violation[" + name + "]", float_array(numpy, values).get());
  }
  for (const auto& [name, values] : value.penalty) {
    dict_set(table.get(), "penalty[" + name + "]", float_array(numpy, values).get());
  }
  return table;
}

}  // namespace

PyRef evaluation_to_pandas(const Pandas& pandas, const Evaluation& value) {
  PyRef table = build_paused([&](const Numpy& numpy) { return evaluation_table(numpy, value); });
  return call(pandas.from_dict.get(), {table.get()});
}

// ---- the Python class ----

template <>
struct ValueClass<Evaluation> {
  static constexpr ClassId kId = ClassId::Evaluation;
  static bool eq(const Evaluation& a, const Evaluation& b) noexcept { return evaluation_eq(a, b); }
  static void append_text(std::string& out, const Evaluation& value) { append_evaluation_text(out, value); }
  static PyRef to_dict(const Evaluation& value) {
    return build_paused([&](const Numpy& numpy) { return evaluation_to_dict(numpy, value); });
  }
  static Evaluation from_dict(PyObject* dict) { return evaluation_from_dict(dict); }
  static Evaluation read_json(json::Cursor& cursor) { return read_evaluation_json(cursor); }
};

PyRef wrap_evaluation(Evaluation value) { return value_class::wrap(std::move(value)); }

namespace {

constexpr Signature kNew =
    make_signature(class_name(ClassId::Evaluation), "__new__",
                   {positional("energy", "None"), positional("objective", "None"),
                    positional("constraint_violations", "None"), positional("constraint_forall", "None"),
                    positional("constraint_values", "None"), positional("penalty", "None")});
// The parameters are the fields, in the order of the field rules.
static_assert([] {
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    if (std::string_view(kNew.names[i]) != kFields[i].name) return false;
  }
  return kNew.size() == std::size(kFields);
}());

Borrow<Evaluation> held(PyObject* self) { return value_class::held<Evaluation>(self); }

PyRef evaluation_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  Evaluation value;
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    PyObject* argument = arguments[i];
    if (argument == nullptr || argument == Py_None) continue;
    convert_argument(kFields[i].name, [&] { kFields[i].convert(value, argument, NoneItems::Refused); });
  }
  return wrap_evaluation(std::move(value));
}

template <std::size_t I>
void set_field(PyObject* self, PyObject* object) {
  Evaluation converted;
  kFields[I].convert(converted, object, NoneItems::Refused);
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
  return ToPython{Numpy::import(), {}}.float_map(held(self)->constraint_violations);
}
PyRef get_constraint_forall(PyObject* self) { return ToPython{Numpy::import(), {}}.forall(held(self)->constraint_forall); }
PyRef get_constraint_values(PyObject* self) {
  return build_paused([&](const Numpy& numpy) { return ToPython{numpy, {}}.float_maps(held(self)->constraint_values); });
}
PyRef get_penalty(PyObject* self) { return ToPython{Numpy::import(), {}}.float_map(held(self)->penalty); }
PyRef get_constraint_expr_values(PyObject* self) { return constraint_expr_values(*held(self)); }

PyRef evaluation_to_pandas_method(PyObject* self) { return evaluation_to_pandas(Pandas::import(), *held(self)); }

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
    value_class::to_dict_method<Evaluation>(docs::kMethodEvaluationToDict),
    value_class::from_dict_method<Evaluation>(docs::kMethodEvaluationFromDict),
    value_class::to_json_method<Evaluation>(docs::kMethodEvaluationToJson),
    value_class::from_json_method<Evaluation>(docs::kMethodEvaluationFromJson),
    noargs_method<evaluation_to_pandas_method>("to_pandas", docs::kMethodEvaluationToPandas),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

const ClassDef kEvaluationClass{
    .basicsize = sizeof(Instance<Evaluation>),
    .dealloc = &dealloc_instance<Evaluation>,
    .tp_new = &constructor_new<evaluation_new>,
    .vectorcall = &constructor_vectorcall<evaluation_new>,
    .constructor = &kNew,
    .slots = value_class::kSlots<Evaluation>,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
