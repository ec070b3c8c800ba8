// MeasuringTime: the dict form and the Python class.
#include "python/sample_set/measuring_time.hpp"

#include "python/docs.hpp"
#include "python/sample_set/time_class.hpp"
#include "python/sample_set/value_class.hpp"

namespace zorvane {

PyRef measuring_time_to_dict(const MeasuringTime& value) {
  PyRef dict = new_dict();
  dict_set(dict.get(), "solve", time_class::to_dict(value.solve).get());
  dict_set(dict.get(), "system", time_class::to_dict(value.system).get());
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
  if (PyRef solve = inner_dict(dict, "solve")) value.solve = time_class::from_dict<SolvingTime>(solve.get());
  if (PyRef system = inner_dict(dict, "system")) value.system = time_class::from_dict<SystemTime>(system.get());
  if (PyRef total = dict_item(dict, "total")) value.total = to_optional_f64(total.get());
  return value;
}

template <>
struct ValueClass<MeasuringTime> {
  static constexpr ClassId kId = ClassId::MeasuringTime;
  static bool eq(const MeasuringTime& a, const MeasuringTime& b) noexcept { return measuring_time_eq(a, b); }
  static void append_text(std::string& out, const MeasuringTime& value) { append_measuring_time_text(out, value); }
  static PyRef to_dict(const MeasuringTime& value) { return measuring_time_to_dict(value); }
  static MeasuringTime from_dict(PyObject* dict) { return measuring_time_from_dict(dict); }
  static MeasuringTime read_json(json::Cursor& cursor) { return read_measuring_time_json(cursor); }
};

namespace {

constexpr Signature kNew = make_signature(class_name(ClassId::MeasuringTime), "__new__",
                                          {positional("solve", "None"), positional("system", "None"),
                                           positional("total", "None")});

// None and absent give an empty record.
template <class T>
T optional_time_record(PyObject* object) {
  if (object == nullptr || object == Py_None) return T{};
  return *borrow<T>(object, TimeClass<T>::kId);
}

PyRef measuring_time_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kNew, args, nargs, kwnames);
  MeasuringTime value;
  value.solve = convert_argument(arguments, kNew.param("solve"), optional_time_record<SolvingTime>);
  value.system = convert_argument(arguments, kNew.param("system"), optional_time_record<SystemTime>);
  value.total = convert_argument(arguments, kNew.param("total"), to_optional_f64);
  return value_class::wrap(std::move(value));
}

Borrow<MeasuringTime> held(PyObject* self) { return value_class::held<MeasuringTime>(self); }

PyRef get_solve(PyObject* self) { return value_class::wrap(held(self)->solve); }
PyRef get_system(PyObject* self) { return value_class::wrap(held(self)->system); }
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

PyGetSetDef kGetSet[] = {
    getter_setter<get_solve, set_solve>("solve"),
    getter_setter<get_system, set_system>("system"),
    getter_setter<get_total, set_total>("total"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    value_class::to_dict_method<MeasuringTime>(docs::kMethodMeasuringTimeToDict),
    value_class::from_dict_method<MeasuringTime>(docs::kMethodMeasuringTimeFromDict),
    value_class::to_json_method<MeasuringTime>(docs::kMethodMeasuringTimeToJson),
    value_class::from_json_method<MeasuringTime>(docs::kMethodMeasuringTimeFromJson),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

const ClassDef kMeasuringTimeClass{
    .basicsize = sizeof(Instance<MeasuringTime>),
    .dealloc = &dealloc_instance<MeasuringTime>,
    .tp_new = &constructor_new<measuring_time_new>,
    .vectorcall = &constructor_vectorcall<measuring_time_new>,
    .constructor = &kNew,
    .slots = value_class::kSlots<MeasuringTime>,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
