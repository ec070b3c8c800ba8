// The events a JSON text is read into: one per scalar, key and bracket, with its byte offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane::json {

/// Nesting deeper than this is refused ("recursion limit exceeded").
inline constexpr std::size_t kDepthLimit = 128;

struct Event {
  /// Scalars first: everything before Key is a whole value in one event.
  enum class Kind : std::uint8_t {
    Null,
    Bool,
    Int,     ///< a negative integer that fits 64 bits
    Uint,    ///< a non-negative integer that fits 64 bits ("-0" too, with `negative` set)
    Double,  ///< any other number, read as Python's `float()` reads the same text
    String,
    Key,
    StartObject,
    EndObject,
    StartArray,
    EndArray,
  };
  Kind kind : 8;
  bool boolean : 1 = false;
  bool negative : 1 = false;  ///< an integer zero written "-0": a float field reads it as -0.0
  /// The bytes of a String or Key (`set_string`): 54 bits, more than any string in memory needs.
  std::uint64_t string_size : 54 = 0;
  union {
    std::int64_t integer;
    std::uint64_t unsigned_integer;
    double real;
    std::size_t string_start;
  };
  std::size_t offset = 0;  ///< bytes of the text consumed when the event was read

  /// The bytes of a String or Key event: `size` from `start` of the list's strings.
  void set_string(std::size_t start, std::size_t size) {
    if (size >> 54 != 0) throw std::bad_alloc();  // no address space holds such a string
    string_start = start;
    string_size = size;
  }
};
static_assert(sizeof(Event) == 24, "events are kept for every value of a text");

/// The events of one text, and the key and string bytes they point into: slices of the text
/// itself when the plain reader read it (its strings hold no escape), else `strings`, where the
/// general reader puts them decoded.
struct EventList {
  std::vector<Event> events;
  std::string strings;
  std::string_view text;  ///< the text read, which must outlive the list's use
  bool strings_in_text = false;

  std::string_view string(const Event& event) const noexcept {
    const std::string_view from = strings_in_text ? text : std::string_view(strings);
    return from.substr(event.string_start, event.string_size);
  }
  void clear() noexcept {
    events.clear();
    strings.clear();
    text = {};
    strings_in_text = false;
  }
};

/// " at line N column M" for `offset` bytes of `text` consumed: lines count from 1, columns are
/// the bytes consumed on the current line.
std::string position_text(std::string_view text, std::size_t offset);
/// ValueError "<message> at line N column M".
[[noreturn]] void raise_at(std::string_view text, const std::string& message, std::size_t offset);

}  // namespace zorvane::json
