// MeasuringTime: a SolvingTime and a SystemTime held by value, and the total time.
#include "sample_set/measuring_time.hpp"

#include "lib/docs.hpp"
#include "lib/registry.hpp"

namespace zorvane {

bool measuring_time_eq(const MeasuringTime& a, const MeasuringTime& b) noexcept {
  return time_fields::equal(a.solve, b.solve) && time_fields::equal(a.system, b.system) &&
         time_eq(a.total, b.total);
}

void append_measuring_time_text(std::string& out, const MeasuringTime& value) {
  out += "MeasuringTime(solve=";
  time_fields::append_text(out, value.solve);
  out += ", system=";
  time_fields::append_text(out, value.system);
  out += ", total=";
  append_time(out, value.total);
  out += ')';
}

PyRef measuring_time_to_dict(const MeasuringTime& value) {
  PyRef dict = new_dict();
  dict_set(dict.get(), "solve", time_fields::to_dict(value.solve).get());
  dict_set(dict.get(), "system", time_fields::to_dict(value.system).get());
  dict_set(dict.get(), "total", py_optional_float(value.total).get());
  return dict;
}

namespace {

// The inner dict under `key`, or null when the key is missing.
PyRef inner_dict(PyObject* dict, const char* key) {
  PyRef inner = dict_item(dict, key);
  if (inner && !PyDict_Check(inner.get())) {
    raise(ErrorKind::Value, std::string("the value of the key '") + key + "' is not dict");
  }
  return inner;
}

}  // namespace

MeasuringTime measuring_time_from_dict(PyObject* dict) {
  MeasuringTime value;
  if (PyRef solve = inner_dict(dict, "solve")) value.solve = time_fields::from_dict<SolvingTime>(solve.get());
  if (PyRef system = inner_dict(dict, "system")) {
    value.system = time_fields::from_dict<SystemTime>(system.get());
  }
  if (PyRef total = dict_item(dict, "total")) value.total = to_optional_f64(total.get());
  return value;
}

void append_measuring_time_json(std::string& out, const MeasuringTime& value) {
  out += "{\"solve\":";
  time_fields::append_json(out, value.solve);
  out += ",\"system\":";
  time_fields::append_json(out, value.system);
  out += ",\"total\":";
  json::append_optional_f64(out, value.total);
  out += '}';
}

MeasuringTime read_measuring_time_json(json::Cursor& cursor) {
  static constexpr const char* kFields[] = {"solve", "system", "total"};
  static constexpr bool kRequired[] = {true, true, false};
  static constexpr json::StructShape kShape{"PyMeasuringTime", kFields, 3, kRequired};
  MeasuringTime value;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    switch (field) {
      case 0: value.solve = time_fields::read_json<SolvingTime>(cursor); break;
      case 1: value.system = time_fields::read_json<SystemTime>(cursor); break;
      default: {
        double total = 0.0;
        if (cursor.read_optional_f64(total)) value.total = total;
      }
    }
  });
  return value;
}

namespace {

constexpr Signature kNew{.owner = class_name(ClassId::MeasuringTime),
                         .function = "__new__",
                         .names = {"solve", "system", "total"},
                         .positional = 3};
constexpr Signature kFromDict{.owner = class_name(ClassId::MeasuringTime), .function = "from_dict", .names = {"dict"},
                              .positional = 1, .required_positional = 1};
constexpr Signature kFromJson{.owner = class_name(ClassId::MeasuringTime), .function = "from_json", .names = {"json"},
                              .positional = 1, .required_positional = 1};

template <class T>
T optional_time_record(PyObject* object, ClassId id) {
  if (object == nullptr || object == Py_None) return T{};
  return *borrow<T>(object, id);
}

PyRef measuring_time_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  MeasuringTime value;
  value.solve = convert_argument(
      "solve", [&] { return optional_time_record<SolvingTime>(arguments[0], ClassId::SolvingTime); });
  value.system = convert_argument(
      "system", [&] { return optional_time_record<SystemTime>(arguments[1], ClassId::SystemTime); });
  value.total = convert_argument("total", [&] { return to_optional_f64(arguments[2]); });
  return new_instance(ClassId::MeasuringTime, std::move(value));
}

Borrow<MeasuringTime> held(PyObject* self) { return borrow<MeasuringTime>(self, ClassId::MeasuringTime); }

PyRef get_solve(PyObject* self) { return new_instance(ClassId::SolvingTime, held(self)->solve); }
PyRef get_system(PyObject* self) { return new_instance(ClassId::SystemTime, held(self)->system); }
PyRef get_total(PyObject* self) { return py_optional_float(held(self)->total); }

void set_solve(PyObject* self, PyObject* value) {
  SolvingTime solve = *borrow<SolvingTime>(value, ClassId::SolvingTime);
  borrow_mut<MeasuringTime>(self, ClassId::MeasuringTime)->solve = solve;
}
void set_system(PyObject* self, PyObject* value) {
  SystemTime system = *borrow<SystemTime>(value, ClassId::SystemTime);
  borrow_mut<MeasuringTime>(self, ClassId::MeasuringTime)->system = system;
}
void set_total(PyObject* self, PyObject* value) {
  const Time total = to_optional_f64(value);
  borrow_mut<MeasuringTime>(self, ClassId::MeasuringTime)->total = total;
}

PyRef measuring_time_repr(PyObject* self) {
  std::string text;
  append_measuring_time_text(text, *held(self));
  return new_str(text);
}

PyRef measuring_time_to_dict_method(PyObject* self) { return measuring_time_to_dict(*held(self)); }

PyRef measuring_time_from_dict_method(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromDict, args, nargs, kwnames);
  convert_argument("dict", [&] { check_dict(arguments[0]); });
  return new_instance(ClassId::MeasuringTime, measuring_time_from_dict(arguments[0]));
}

PyRef measuring_time_to_json(PyObject* self) {
  std::string text;
  append_measuring_time_json(text, *held(self));
  return new_str(text);
}

PyRef measuring_time_from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJson, args, nargs, kwnames);
  const std::string text = time_fields::json_argument(arguments[0]);
  json::Cursor cursor(text);
  MeasuringTime value = read_measuring_time_json(cursor);
  cursor.finish();
  return new_instance(ClassId::MeasuringTime, std::move(value));
}

PyGetSetDef kGetSet[] = {
    getter_setter<get_solve, set_solve>("solve"),
    getter_setter<get_system, set_system>("system"),
    getter_setter<get_total, set_total>("total"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<measuring_time_to_dict_method>("to_dict", docs::kMethodDocMeasuringTimeToDict),
    static_method<measuring_time_from_dict_method>("from_dict", docs::kMethodDocMeasuringTimeFromDict),
    noargs_method<measuring_time_to_json>("to_json", docs::kMethodDocMeasuringTimeToJson),
    static_method<measuring_time_from_json>("from_json", docs::kMethodDocMeasuringTimeFromJson),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<measuring_time_repr>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<measuring_time_repr>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<
                             compare_by_value<MeasuringTime, ClassId::MeasuringTime, measuring_time_eq>>)},
};

}  // namespace

const ClassDef kMeasuringTimeClass{
    .basicsize = sizeof(Instance<MeasuringTime>),
    .dealloc = &dealloc_instance<MeasuringTime>,
    .tp_new = &constructor_new<measuring_time_new>,
    .vectorcall = &constructor_vectorcall<measuring_time_new>,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
