// Evaluation: equality, text and JSON forms.
#include "core/sample_set/evaluation.hpp"

#include <fmt/format.h>

#include "core/expression/float_text.hpp"

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

// ---- JSON ----

namespace {

template <class T, class F>
std::map<std::string, T> read_name_map(json::Cursor& cursor, F&& value) {
  std::map<std::string, T> map;
  cursor.read_object("a map", [&](std::string name) { map.insert_or_assign(std::move(name), value(cursor)); });
  return map;
}

FloatMap read_float_map(json::Cursor& cursor) {
  return read_name_map<std::vector<double>>(cursor, [](json::Cursor& c) { return c.read_f64_array(); });
}

}  // namespace

Evaluation read_evaluation_json(json::Cursor& cursor) {
  static constexpr const char* kNames[] = {"energy", "objective", "constraint_violations",
                                           "constraint_forall", "constraint_values", "penalty"};
  static constexpr json::StructShape kShape{"PyEvaluation", kNames, 6, nullptr};
  Evaluation value;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    switch (field) {
      case 0: value.energy = cursor.read_f64_array(); break;
      case 1: value.objective = cursor.read_f64_array(); break;
      case 2: value.constraint_violations = read_float_map(cursor); break;
      case 3:
        value.constraint_forall = read_name_map<std::vector<std::vector<std::uint64_t>>>(cursor, [](json::Cursor& c) {
          std::vector<std::vector<std::uint64_t>> rows;
          c.read_array("a sequence", [&] { rows.push_back(c.read_u64_array()); });
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
}  // namespace zorvane
