// The shared shape of `SolvingTime` and `SystemTime`: a fixed list of optional float times,
// described once per class by a traits table (names, members, class id) and served by the
// templates below (text, equality, dict and JSON forms, Python members).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "binding/frame.hpp"
#include "sample_set/json_reader.hpp"
#include "sample_set/json_writer.hpp"
#include "sample_set/python_values.hpp"

namespace zorvane {

using Time = std::optional<double>;

/// Absent equals absent; present values compare as IEEE floats (NaN differs from everything).
inline bool time_eq(const Time& a, const Time& b) noexcept {
  if (a.has_value() != b.has_value()) return false;
  return !a.has_value() || *a == *b;
}
/// "None" or the float's display form.
void append_time(std::string& out, const Time& time);

// Traits of a time class T:
//   static constexpr ClassId kId; const char* kStructName
//   ("PySolvingTime"); std::array<const char*, N> kFields; std::array<Time T::*, N> kMembers;
//   Signature kNew.
template <class T>
struct TimeTraits;

namespace time_fields {

template <class T>
bool equal(const T& a, const T& b) noexcept {
  for (auto member : TimeTraits<T>::kMembers) {
    if (!time_eq(a.*member, b.*member)) return false;
  }
  return true;
}

template <class T>
void append_text(std::string& out, const T& value) {
  using Traits = TimeTraits<T>;
  out += class_name(Traits::kId);
  out += '(';
  for (std::size_t i = 0; i < Traits::kFields.size(); ++i) {
    if (i > 0) out += ", ";
    out += Traits::kFields[i];
    out += '=';
    append_time(out, value.*Traits::kMembers[i]);
  }
  out += ')';
}

template <class T>
PyRef to_dict(const T& value) {
  using Traits = TimeTraits<T>;
  PyRef dict = new_dict();
  for (std::size_t i = 0; i < Traits::kFields.size(); ++i) {
    dict_set(dict.get(), Traits::kFields[i], py_optional_float(value.*Traits::kMembers[i]).get());
  }
  return dict;
}

/// Missing keys and None give absent times; other values go through the float conversion.
template <class T>
T from_dict(PyObject* dict) {
  using Traits = TimeTraits<T>;
  T value;
  for (std::size_t i = 0; i < Traits::kFields.size(); ++i) {
    PyRef item = dict_item(dict, Traits::kFields[i]);
    value.*Traits::kMembers[i] = item ? to_optional_f64(item.get()) : std::nullopt;
  }
  return value;
}

template <class T>
void append_json(std::string& out, const T& value) {
  using Traits = TimeTraits<T>;
  out += '{';
  for (std::size_t i = 0; i < Traits::kFields.size(); ++i) {
    if (i > 0) out += ',';
    json::append_key(out, Traits::kFields[i]);
    json::append_optional_f64(out, value.*Traits::kMembers[i]);
  }
  out += '}';
}

template <class T>
T read_json(json::Cursor& cursor) {
  using Traits = TimeTraits<T>;
  static constexpr std::array<bool, Traits::kFields.size()> kRequired{};  // all optional
  const json::StructShape shape{Traits::kStructName, Traits::kFields.data(), Traits::kFields.size(),
                                kRequired.data()};
  T value;
  json::read_struct(cursor, shape, [&](std::size_t i) {
    double time = 0.0;
    if (cursor.read_optional_f64(time)) value.*Traits::kMembers[i] = time;
  });
  return value;
}

// ---- Python members ----

template <class T>
PyRef py_new(PyTypeObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using Traits = TimeTraits<T>;
  const Arguments arguments = parse_arguments(Traits::kNew, args, nargs, kwnames);
  T value;
  for (std::size_t i = 0; i < Traits::kFields.size(); ++i) {
    value.*Traits::kMembers[i] =
        convert_argument(Traits::kFields[i], [&] { return to_optional_f64(arguments[i]); });
  }
  return new_instance(Traits::kId, std::move(value));
}

template <class T, std::size_t I>
PyRef py_get(PyObject* self) {
  using Traits = TimeTraits<T>;
  return py_optional_float((*borrow<T>(self, Traits::kId)).*Traits::kMembers[I]);
}

template <class T, std::size_t I>
void py_set(PyObject* self, PyObject* value) {
  using Traits = TimeTraits<T>;
  const Time time = to_optional_f64(value);
  (*borrow_mut<T>(self, Traits::kId)).*Traits::kMembers[I] = time;
}

template <class T>
PyRef py_repr(PyObject* self) {
  std::string text;
  append_text(text, *borrow<T>(self, TimeTraits<T>::kId));
  return new_str(text);
}

template <class T>
PyRef py_to_dict(PyObject* self) {
  return to_dict(*borrow<T>(self, TimeTraits<T>::kId));
}

template <class T>
PyRef py_to_json(PyObject* self) {
  std::string text;
  append_json(text, *borrow<T>(self, TimeTraits<T>::kId));
  return new_str(text);
}

/// The one-argument signature of the static readers: "Cls.from_dict(dict)" / "(json)".
template <class T>
inline constexpr Signature kFromDictSignature{
    .owner = class_name(TimeTraits<T>::kId), .function = "from_dict", .names = {"dict"}, .positional = 1,
    .required_positional = 1};
template <class T>
inline constexpr Signature kFromJsonSignature{
    .owner = class_name(TimeTraits<T>::kId), .function = "from_json", .names = {"json"}, .positional = 1,
    .required_positional = 1};

template <class T>
PyRef py_from_dict(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromDictSignature<T>, args, nargs, kwnames);
  convert_argument("dict", [&] { check_dict(arguments[0]); });
  return new_instance(TimeTraits<T>::kId, from_dict<T>(arguments[0]));
}

/// The text of a `json` argument (a str, else the prefixed conversion TypeError).
std::string json_argument(PyObject* object);

template <class T>
PyRef py_from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromJsonSignature<T>, args, nargs, kwnames);
  const std::string text = json_argument(arguments[0]);
  json::Cursor cursor(text);
  T value = read_json<T>(cursor);
  cursor.finish();
  return new_instance(TimeTraits<T>::kId, std::move(value));
}

/// The documentation texts of a time class's four methods.
struct TimeDocs {
  const char* to_dict;
  const char* from_dict;
  const char* to_json;
  const char* from_json;
};

template <class T, std::size_t... I>
PyGetSetDef* getset_table(std::index_sequence<I...>) {
  static PyGetSetDef table[] = {
      getter_setter<py_get<T, I>, py_set<T, I>>(TimeTraits<T>::kFields[I])...,
      {nullptr, nullptr, nullptr, nullptr, nullptr},
  };
  return table;
}

/// The table row of a time class: one getter/setter per field, the dict and JSON methods, a
/// constructor-like text for both str and repr, and comparison by value.
template <class T>
ClassDef time_class(const TimeDocs& docs) {
  using Traits = TimeTraits<T>;
  static PyMethodDef methods[] = {
      noargs_method<py_to_dict<T>>("to_dict", docs.to_dict),
      static_method<py_from_dict<T>>("from_dict", docs.from_dict),
      noargs_method<py_to_json<T>>("to_json", docs.to_json),
      static_method<py_from_json<T>>("from_json", docs.from_json),
      {nullptr, nullptr, 0, nullptr},
  };
  static const PyType_Slot slots[] = {
      {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
      {Py_tp_str, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
      {Py_tp_richcompare,
       reinterpret_cast<void*>(&slot_richcompare<compare_by_value<T, Traits::kId, equal<T>>>)},
  };
  return ClassDef{.basicsize = sizeof(Instance<T>),
                  .dealloc = &dealloc_instance<T>,
                  .tp_new = &constructor_new<py_new<T>>,
                  .vectorcall = &constructor_vectorcall<py_new<T>>,
                  .slots = slots,
                  .methods = methods,
                  .getset = getset_table<T>(std::make_index_sequence<Traits::kFields.size()>{}),
                  .attributes = {}};
}

}  // namespace time_fields
}  // namespace zorvane
