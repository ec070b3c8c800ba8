// Reading the JSON forms of the sample-set classes: the text is read once into a flat list of
// events with their byte offsets (core/json), then typed readers walk it and report failures as
// ValueError "<message> at line N column M", in serde's words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/interrupt.hpp"
#include "core/json/event.hpp"
#include "core/json/reader.hpp"

namespace zorvane::json {

/// A parsed text with a read position. Every `fail`/`invalid_*` raises ValueError with the
/// position of the event given (or of the last event read).
class Cursor {
 public:
  using Reading = json::Reading;
  /// Parses `text` (which must outlive the cursor); a malformed text raises ValueError with the
  /// reader's message.
  explicit Cursor(std::string_view text, Reading reading = Reading::Any);
  /// The events read, for tests.
  const std::vector<Event>& events() const noexcept { return list_.events; }
  /// Whether the plain reader read the text (see `read_plain`).
  bool plain() const noexcept { return plain_; }
  /// The events, taken: nothing is read after.
  EventList take_events() noexcept { return std::move(list_); }

  // Inline: the typed readers call these once per event.
  const Event& peek() const {
    if (position_ >= list_.events.size()) [[unlikely]] fail_at_end();
    return list_.events[position_];
  }
  const Event& next() {
    poll_.tick();
    const Event& event = peek();
    ++position_;
    return event;
  }
  std::string_view string(const Event& event) const noexcept { return list_.string(event); }
  /// The number of scalars from the current event on, if an array end follows them.
  std::size_t scalars_before_end() const noexcept;
  /// Skips one whole value (a scalar, or an array / object with everything inside).
  void skip_value();

  [[noreturn]] void fail(const std::string& message, const Event& at) const;
  /// "invalid type: <what was found>, expected <expected>"
  [[noreturn]] void invalid_type(const Event& found, std::string_view expected) const;
  /// "invalid value: <what was found>, expected <expected>"
  [[noreturn]] void invalid_value(const Event& found, std::string_view expected) const;
  /// serde's description of a value: "null", "boolean `true`", "integer `5`",
  /// "floating point `1.5`", "string \"a\"", "sequence", "map".
  std::string describe(const Event& event) const;

  // Scalars.
  double read_f64();
  /// null gives false (absent) and leaves `out` unchanged.
  bool read_optional_f64(double& out);
  std::uint64_t read_u64();
  std::uint8_t read_u8();
  /// An array of numbers, read like `read_array` with `read_f64` / `read_u64` per element; in an
  /// array of floats null is NaN (the writers put null for NaN and the infinities).
  std::vector<double> read_f64_array();
  std::vector<std::uint64_t> read_u64_array();

  /// Reads an array, calling `element()` once per element; `expected` names the type in the
  /// type error ("a sequence").
  template <class F>
  void read_array(std::string_view expected, F&& element) {
    const Event& start = next();
    if (start.kind != Event::Kind::StartArray) invalid_type(start, expected);
    while (peek().kind != Event::Kind::EndArray) element();
    next();
  }
  /// Reads an object, calling `member(key)` once per key with the cursor at its value.
  template <class F>
  void read_object(std::string_view expected, F&& member) {
    const Event& start = next();
    if (start.kind != Event::Kind::StartObject) invalid_type(start, expected);
    while (peek().kind != Event::Kind::EndObject) {
      const Event& key = next();
      member(std::string(string(key)));
    }
    next();
  }

  /// The whole text was read (the reader itself refuses anything after the value).
  void finish() const;

 private:
  [[noreturn]] void fail_at_end() const;

  std::string_view text_;
  EventList list_;
  std::size_t position_ = 0;
  InterruptPoll poll_;
  bool plain_;  // after the members that reading the text uses
};

/// Whether two cursors hold the same events (kinds, values, strings and offsets), for tests.
bool same_events(const Cursor& a, const Cursor& b);

/// A struct read either as an object of named fields or as an array of its fields in
/// declaration order (serde's two forms). `read_field(i)` reads field i at the cursor.
/// Fields with `required[i]` false may be missing from the object form.
struct StructShape {
  const char* name;  ///< e.g. "PySolvingTime"
  const char* const* fields;
  std::size_t field_count;
  const bool* required;  ///< null: every field required
};

template <class F>
void read_struct(Cursor& cursor, const StructShape& shape, F&& read_field);

// ---- implementation of read_struct ----

[[noreturn]] void fail_invalid_length(const Cursor& cursor, const Event& at, std::size_t count,
                                      const StructShape& shape);
[[noreturn]] void fail_missing_field(const Cursor& cursor, const Event& at, const char* field);
[[noreturn]] void fail_duplicate_field(const Cursor& cursor, const Event& at, std::string_view field);

template <class F>
void read_struct(Cursor& cursor, const StructShape& shape, F&& read_field) {
  const Event& start = cursor.next();
  if (start.kind == Event::Kind::StartArray) {
    std::size_t count = 0;
    for (; count < shape.field_count; ++count) {
      if (cursor.peek().kind == Event::Kind::EndArray) {
        fail_invalid_length(cursor, cursor.next(), count, shape);
      }
      read_field(count);
    }
    while (cursor.peek().kind != Event::Kind::EndArray) {
      cursor.skip_value();
      ++count;
    }
    const Event& end = cursor.next();
    if (count != shape.field_count) fail_invalid_length(cursor, end, count, shape);
    return;
  }
  if (start.kind != Event::Kind::StartObject) {
    cursor.invalid_type(start, std::string("struct ") + shape.name);
  }
  std::vector<bool> seen(shape.field_count, false);
  while (cursor.peek().kind != Event::Kind::EndObject) {
    const Event& key = cursor.next();
    const std::string_view name = cursor.string(key);
    std::size_t field = 0;
    while (field < shape.field_count && name != shape.fields[field]) ++field;
    if (field == shape.field_count) {
      cursor.skip_value();
      continue;
    }
    if (seen[field]) fail_duplicate_field(cursor, key, name);
    seen[field] = true;
    read_field(field);
  }
  const Event& end = cursor.next();
  for (std::size_t field = 0; field < shape.field_count; ++field) {
    const bool required = shape.required == nullptr || shape.required[field];
    if (required && !seen[field]) fail_missing_field(cursor, end, shape.fields[field]);
  }
}

}  // namespace zorvane::json
