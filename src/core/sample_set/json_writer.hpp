// Writing the JSON forms of the sample-set classes: compact text, keys in field order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sample_set/float_text.hpp"

namespace zorvane::json {

/// A JSON string: quotes, backslashes and control characters escaped; other bytes as they are.
inline void append_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

inline void append_key(std::string& out, std::string_view key) {
  append_string(out, key);
  out += ':';
}

inline void append_u64(std::string& out, std::uint64_t value) { out += std::to_string(value); }
inline void append_f64(std::string& out, double value) { append_float_json(out, value); }
inline void append_optional_f64(std::string& out, const std::optional<double>& value) {
  if (value) {
    append_float_json(out, *value);
  } else {
    out += "null";
  }
}

/// "[a,b,...]" with `item(out, element)` writing each element.
template <class T, class F>
void append_array(std::string& out, const std::vector<T>& items, F&& item) {
  out += '[';
  bool first = true;
  for (const T& element : items) {
    if (!first) out += ',';
    first = false;
    item(out, element);
  }
  out += ']';
}

/// {"name":value,...} in name order.
template <class T, class F>
void append_map(std::string& out, const std::map<std::string, T>& map, F&& value) {
  out += '{';
  bool first = true;
  for (const auto& [name, element] : map) {
    if (!first) out += ',';
    first = false;
    append_key(out, name);
    value(out, element);
  }
  out += '}';
}

inline void append_f64_array(std::string& out, const std::vector<double>& values) {
  append_array(out, values, [](std::string& o, double v) { append_f64(o, v); });
}
inline void append_u64_array(std::string& out, const std::vector<std::uint64_t>& values) {
  append_array(out, values, [](std::string& o, std::uint64_t v) { append_u64(o, v); });
}

}  // namespace zorvane::json
