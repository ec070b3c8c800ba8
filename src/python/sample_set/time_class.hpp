// The Python classes of the time records (`SolvingTime`, `SystemTime`): one template over the
// record's field table serves the constructor, a getter/setter per field, the dict form and the
// value-class members.
#pragma once

#include <string_view>
#include <utility>

#include "core/sample_set/solving_time.hpp"
#include "core/sample_set/system_time.hpp"
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/value_class.hpp"

namespace zorvane {

/// The class of each time record.
template <class T>
struct TimeClass;
template <>
struct TimeClass<SolvingTime> {
  static constexpr ClassId kId = ClassId::SolvingTime;
};
template <>
struct TimeClass<SystemTime> {
  static constexpr ClassId kId = ClassId::SystemTime;
};

namespace time_class {

/// Fields by name; every value None or a float.
template <class T>
PyRef to_dict(const T& value) {
  using Fields = TimeFields<T>;
  PyRef dict = new_dict();
  for (std::size_t i = 0; i < Fields::kFields.size(); ++i) {
    dict_set(dict.get(), Fields::kFields[i], py_optional_float(value.*Fields::kMembers[i]).get());
  }
  return dict;
}

/// Missing keys and None give absent times; other values go through the float conversion.
template <class T>
T from_dict(PyObject* dict) {
  using Fields = TimeFields<T>;
  T value;
  for (std::size_t i = 0; i < Fields::kFields.size(); ++i) {
    PyRef item = dict_item(dict, Fields::kFields[i]);
    value.*Fields::kMembers[i] = item ? to_optional_f64(item.get()) : std::nullopt;
  }
  return value;
}

}  // namespace time_class

template <class T>
  requires requires { TimeClass<T>::kId; }
struct ValueClass<T> {
  static constexpr ClassId kId = TimeClass<T>::kId;
  static_assert(std::string_view(class_name(kId)) == TimeFields<T>::kName,
                "the text form starts with the class name");
  static bool eq(const T& a, const T& b) noexcept { return time_fields::equal(a, b); }
  static void append_text(std::string& out, const T& value) { time_fields::append_text(out, value); }
  static PyRef to_dict(const T& value) { return time_class::to_dict(value); }
  static T from_dict(PyObject* dict) { return time_class::from_dict<T>(dict); }
  static T read_json(json::Cursor& cursor) { return time_fields::read_json<T>(cursor); }
};

namespace time_class {

/// `Cls(field=None, ...)`: every field a positional-or-keyword parameter, in field order.
template <class T>
constexpr Signature new_signature() {
  constexpr auto& kFields = TimeFields<T>::kFields;
  static_assert(kFields.size() <= Signature::kMaxParams);
  Signature signature{.owner = class_name(TimeClass<T>::kId), .function = "__new__",
                      .positional = std::uint8_t(kFields.size())};
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    signature.names[i] = kFields[i];
    signature.defaults[i] = "None";
  }
  return signature;
}
template <class T>
inline constexpr Signature kNew = new_signature<T>();

template <class T>
PyRef py_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using Fields = TimeFields<T>;
  const Arguments arguments = parse_arguments(kNew<T>, args, nargs, kwnames);
  T value;
  for (std::size_t i = 0; i < Fields::kFields.size(); ++i) {
    value.*Fields::kMembers[i] = convert_argument(Fields::kFields[i], [&] { return to_optional_f64(arguments[i]); });
  }
  return value_class::wrap(std::move(value));
}

template <class T, std::size_t I>
PyRef py_get(PyObject* self) {
  return py_optional_float((*value_class::held<T>(self)).*TimeFields<T>::kMembers[I]);
}

template <class T, std::size_t I>
void py_set(PyObject* self, PyObject* value) {
  const Time time = to_optional_f64(value);
  (*borrow_mut<T>(self, TimeClass<T>::kId)).*TimeFields<T>::kMembers[I] = time;
}

template <class T, std::size_t... I>
PyGetSetDef* getset_table(std::index_sequence<I...>) {
  static PyGetSetDef table[] = {
      getter_setter<py_get<T, I>, py_set<T, I>>(TimeFields<T>::kFields[I])...,
      {nullptr, nullptr, nullptr, nullptr, nullptr},
  };
  return table;
}

/// The documentation texts of a time class's four methods.
struct TimeDocs {
  const char* to_dict;
  const char* from_dict;
  const char* to_json;
  const char* from_json;
};

/// The table row of a time class: one getter/setter per field, the dict and JSON methods, a
/// constructor-like text for both str and repr, and comparison by value.
template <class T>
ClassDef time_class(const TimeDocs& docs) {
  static PyMethodDef methods[] = {
      value_class::to_dict_method<T>(docs.to_dict),
      value_class::from_dict_method<T>(docs.from_dict),
      value_class::to_json_method<T>(docs.to_json),
      value_class::from_json_method<T>(docs.from_json),
      {nullptr, nullptr, 0, nullptr},
  };
  return ClassDef{.basicsize = sizeof(Instance<T>),
                  .dealloc = &dealloc_instance<T>,
                  .tp_new = &constructor_new<py_new<T>>,
                  .vectorcall = &constructor_vectorcall<py_new<T>>,
                  .constructor = &kNew<T>,
                  .slots = value_class::kSlots<T>,
                  .methods = methods,
                  .getset = getset_table<T>(std::make_index_sequence<TimeFields<T>::kFields.size()>{}),
                  .attributes = {}};
}

}  // namespace time_class
}  // namespace zorvane
