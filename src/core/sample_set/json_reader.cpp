// The typed readers over the events of a JSON text, with serde-style messages.
#include "core/sample_set/json_reader.hpp"

#include <limits>

#include <fmt/format.h>

#include "core/error.hpp"
#include "core/expression/float_text.hpp"

namespace zorvane::json {

Cursor::Cursor(std::string_view text, Reading reading) : text_(text), plain_(read_events(text, reading, list_, poll_)) {}

void Cursor::fail_at_end() const { raise_at(text_, "EOF while parsing a value", text_.size()); }

void Cursor::skip_value() {
  std::size_t depth = 0;
  do {
    const Event& e = next();
    if (e.kind == Event::Kind::StartArray || e.kind == Event::Kind::StartObject) {
      ++depth;
    } else if (e.kind == Event::Kind::EndArray || e.kind == Event::Kind::EndObject) {
      --depth;
    }
  } while (depth > 0);
}

void Cursor::fail(const std::string& message, const Event& at) const {
  raise_at(text_, message, at.offset);
}

std::string Cursor::describe(const Event& event) const {
  switch (event.kind) {
    case Event::Kind::Null: return "null";
    case Event::Kind::Bool: return event.boolean ? "boolean `true`" : "boolean `false`";
    case Event::Kind::Int: return fmt::format("integer `{}`", event.integer);
    case Event::Kind::Uint: return fmt::format("integer `{}`", event.unsigned_integer);
    case Event::Kind::Double: {
      std::string text;
      append_float_display(text, event.real);
      if (text.find('.') == std::string::npos) text += ".0";
      return fmt::format("floating point `{}`", text);
    }
    case Event::Kind::String:
    case Event::Kind::Key: {
      std::string text = "string \"";
      for (char c : string(event)) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
      }
      return text + "\"";
    }
    case Event::Kind::StartArray:
    case Event::Kind::EndArray: return "sequence";
    case Event::Kind::StartObject:
    case Event::Kind::EndObject: return "map";
  }
  return "value";
}

void Cursor::invalid_type(const Event& found, std::string_view expected) const {
  fail(fmt::format("invalid type: {}, expected {}", describe(found), expected), found);
}

void Cursor::invalid_value(const Event& found, std::string_view expected) const {
  fail(fmt::format("invalid value: {}, expected {}", describe(found), expected), found);
}

double Cursor::read_f64() {
  const Event& e = next();
  switch (e.kind) {
    case Event::Kind::Double: return e.real;
    case Event::Kind::Uint: return e.negative ? -0.0 : double(e.unsigned_integer);
    case Event::Kind::Int: return double(e.integer);
    default: invalid_type(e, "f64");
  }
}

bool Cursor::read_optional_f64(double& out) {
  if (peek().kind == Event::Kind::Null) {
    next();
    return false;
  }
  out = read_f64();
  return true;
}

std::uint64_t Cursor::read_u64() {
  const Event& e = next();
  if (e.kind == Event::Kind::Uint) return e.unsigned_integer;
  if (e.kind == Event::Kind::Int) invalid_value(e, "u64");
  invalid_type(e, "u64");
}

std::uint8_t Cursor::read_u8() {
  const Event& e = next();
  if (e.kind == Event::Kind::Uint) {
    if (e.unsigned_integer > 255) invalid_value(e, "u8");
    return std::uint8_t(e.unsigned_integer);
  }
  if (e.kind == Event::Kind::Int) invalid_value(e, "u8");
  invalid_type(e, "u8");
}

std::size_t Cursor::scalars_before_end() const noexcept {
  std::size_t end = position_;
  while (end < list_.events.size() && list_.events[end].kind < Event::Kind::Key) ++end;
  const bool closed = end < list_.events.size() && list_.events[end].kind == Event::Kind::EndArray;
  return closed ? end - position_ : 0;
}

std::vector<double> Cursor::read_f64_array() {
  std::vector<double> values;
  read_array("a sequence", [&] {
    if (values.empty()) values.reserve(scalars_before_end());
    double value = std::numeric_limits<double>::quiet_NaN();
    read_optional_f64(value);
    values.push_back(value);
  });
  return values;
}

std::vector<std::uint64_t> Cursor::read_u64_array() {
  std::vector<std::uint64_t> values;
  read_array("a sequence", [&] {
    if (values.empty()) values.reserve(scalars_before_end());
    values.push_back(read_u64());
  });
  return values;
}

void Cursor::finish() const {
  if (position_ < list_.events.size()) raise_at(text_, "trailing characters", list_.events[position_].offset);
}

bool same_events(const Cursor& a, const Cursor& b) {
  if (a.events().size() != b.events().size()) return false;
  for (std::size_t i = 0; i < a.events().size(); ++i) {
    const Event& x = a.events()[i];
    const Event& y = b.events()[i];
    if (x.kind != y.kind || x.boolean != y.boolean || x.negative != y.negative || x.offset != y.offset) return false;
    const bool text = x.kind == Event::Kind::String || x.kind == Event::Kind::Key;
    if (text ? a.string(x) != b.string(y) : x.unsigned_integer != y.unsigned_integer) return false;
  }
  return true;
}

void fail_invalid_length(const Cursor& cursor, const Event& at, std::size_t count,
                         const StructShape& shape) {
  cursor.fail(fmt::format("invalid length {}, expected struct {} with {} elements", count,
                          shape.name, shape.field_count),
              at);
}

void fail_missing_field(const Cursor& cursor, const Event& at, const char* field) {
  cursor.fail(fmt::format("missing field `{}`", field), at);
}

void fail_duplicate_field(const Cursor& cursor, const Event& at, std::string_view field) {
  cursor.fail(fmt::format("duplicate field `{}`", field), at);
}

}  // namespace zorvane::json
