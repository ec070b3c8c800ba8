// The events a JSON text is read into: one per scalar, key and bracket, with its byte offset.
#pragma once

#include <cstddef>
#include <cstdint>
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
  Kind kind;
  bool boolean = false;
  bool negative = false;  ///< an integer zero written "-0": a float field reads it as -0.0
  std::uint32_t string_size = 0;  ///< RapidJSON's strings are shorter than 4 GiB
  union {
    std::int64_t integer;
    std::uint64_t unsigned_integer;
    double real;
    std::size_t string_start;
  };
  std::size_t offset = 0;  ///< bytes of the text consumed when the event was read
};
static_assert(sizeof(Event) == 24, "events are kept for every value of a text");

/// The events of one text, and the key and string bytes they point into.
struct EventList {
  std::vector<Event> events;
  std::string strings;

  std::string_view string(const Event& event) const noexcept {
    return std::string_view(strings).substr(event.string_start, event.string_size);
  }
  void clear() noexcept {
    events.clear();
    strings.clear();
  }
};

/// " at line N column M" for `offset` bytes of `text` consumed: lines count from 1, columns are
/// the bytes consumed on the current line.
std::string position_text(std::string_view text, std::size_t offset);
/// ValueError "<message> at line N column M".
[[noreturn]] void raise_at(std::string_view text, const std::string& message, std::size_t offset);

}  // namespace zorvane::json
