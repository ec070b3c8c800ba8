// The members that the sample-set value classes share, written once: `to_dict`, `from_dict`,
// `to_json`, `from_json`, the text form for repr and str, and comparison by value. A class
// describes its value type T by specializing `ValueClass<T>` with what it has of:
//   static constexpr ClassId kId;
//   static bool eq(const T&, const T&);                  comparison by value
//   static void append_text(std::string&, const T&);     the repr and str text
//   static PyRef to_dict(const T&);
//   static T from_dict(PyObject* dict);                  `dict` is known to be a dict
//   static T read_json(json::Cursor&);
// and takes the members below that it needs (a member is made only when it is used). `to_json`
// writes T with `json::append_sample_value`.
#pragma once

#include <string>
#include <utility>

#include "core/sample_set/json_writer.hpp"
#include "core/sample_set/json_reader.hpp"
#include "python/frame/frame.hpp"
#include "python/sample_set/python_values.hpp"

namespace zorvane {

template <class T>
struct ValueClass;

namespace value_class {

template <class T>
Borrow<T> held(PyObject* self) {
  return borrow<T>(self, ValueClass<T>::kId);
}

/// A new object of the class owning `value`.
template <class T>
PyRef wrap(T value) {
  return new_instance(ValueClass<T>::kId, std::move(value));
}

template <class T>
PyRef repr(PyObject* self) {
  std::string text;
  ValueClass<T>::append_text(text, *held<T>(self));
  return new_str(text);
}

template <class T>
PyRef to_dict(PyObject* self) {
  return ValueClass<T>::to_dict(*held<T>(self));
}

template <class T>
PyRef to_json(PyObject* self) {
  std::string text;
  json::append_sample_value(text, *held<T>(self), json::SampleForm::Class);
  return new_str(text);
}

/// The one-argument signatures of the static readers: "Cls.from_dict(dict)" / "(json)".
template <class T>
inline constexpr Signature kFromDict = make_signature(class_name(ValueClass<T>::kId), "from_dict", {positional("dict")});
template <class T>
inline constexpr Signature kFromJson = make_signature(class_name(ValueClass<T>::kId), "from_json", {positional("json")});

template <class T>
PyRef from_dict(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromDict<T>, args, nargs, kwnames);
  PyObject* dict = arguments[kFromDict<T>.param("dict")];
  convert_argument("dict", [&] { check_dict(dict); });
  return wrap(ValueClass<T>::from_dict(dict));
}

template <class T>
PyRef from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJson<T>, args, nargs, kwnames);
  const std::string_view text = json_argument(arguments[kFromJson<T>.param("json")]);
  json::Cursor cursor(text);
  T value = ValueClass<T>::read_json(cursor);
  cursor.finish();
  return wrap(std::move(value));
}

// The method table entries, each with its documentation text.
template <class T>
PyMethodDef to_dict_method(const char* doc) {
  return noargs_method<to_dict<T>>("to_dict", doc);
}
template <class T>
PyMethodDef from_dict_method(const char* doc) {
  return static_method<from_dict<T>>(kFromDict<T>, doc);
}
template <class T>
PyMethodDef to_json_method(const char* doc) {
  return noargs_method<to_json<T>>("to_json", doc);
}
template <class T>
PyMethodDef from_json_method(const char* doc) {
  return static_method<from_json<T>>(kFromJson<T>, doc);
}

/// repr and str (the same text), and comparison by value.
template <class T>
inline const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<repr<T>>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<repr<T>>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<T, ValueClass<T>::kId, ValueClass<T>::eq>>)},
};

}  // namespace value_class
}  // namespace zorvane
