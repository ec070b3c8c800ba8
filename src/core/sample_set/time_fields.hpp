// The shared shape of `SolvingTime` and `SystemTime`: a fixed list of optional float times,
// described once per record by a traits table (names and members) and served by the templates
// below (text, equality and JSON forms).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/sample_set/json_reader.hpp"

namespace zorvane {

using Time = std::optional<double>;

/// Absent equals absent; present values compare as IEEE floats (NaN differs from everything).
inline bool time_eq(const Time& a, const Time& b) noexcept {
  if (a.has_value() != b.has_value()) return false;
  return !a.has_value() || *a == *b;
}
/// "None" or the float's display form.
void append_time(std::string& out, const Time& time);

// Traits of a time record T:
//   static constexpr const char* kName ("SolvingTime", the name its text form starts with);
//   const char* kStructName ("PySolvingTime", the name JSON messages use);
//   std::array<const char*, N> kFields; std::array<Time T::*, N> kMembers.
template <class T>
struct TimeFields;

namespace time_fields {

template <class T>
bool equal(const T& a, const T& b) noexcept {
  for (auto member : TimeFields<T>::kMembers) {
    if (!time_eq(a.*member, b.*member)) return false;
  }
  return true;
}

/// "SolvingTime(preprocess=None, solve=1.5, postprocess=None)"
template <class T>
void append_text(std::string& out, const T& value) {
  using Fields = TimeFields<T>;
  out += Fields::kName;
  out += '(';
  for (std::size_t i = 0; i < Fields::kFields.size(); ++i) {
    if (i > 0) out += ", ";
    out += Fields::kFields[i];
    out += '=';
    append_time(out, value.*Fields::kMembers[i]);
  }
  out += ')';
}

template <class T>
T read_json(json::Cursor& cursor) {
  using Fields = TimeFields<T>;
  static constexpr std::array<bool, Fields::kFields.size()> kRequired{};  // all optional
  const json::StructShape shape{Fields::kStructName, Fields::kFields.data(), Fields::kFields.size(),
                                kRequired.data()};
  T value;
  json::read_struct(cursor, shape, [&](std::size_t i) {
    double time = 0.0;
    if (cursor.read_optional_f64(time)) value.*Fields::kMembers[i] = time;
  });
  return value;
}

}  // namespace time_fields
}  // namespace zorvane
