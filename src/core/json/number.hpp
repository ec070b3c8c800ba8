// JSON number tokens: where one ends, and its value read as Python's float() reads the same text.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/json/event.hpp"

namespace zorvane::json {

/// What `number_end` gives when the text holds only the start of a number.
inline constexpr std::size_t kNoNumber = std::string_view::npos;

/// The end of the JSON number starting at `at` (-?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?),
/// or kNoNumber when the text there is only the start of one ("-", "1.", "1e+").
std::size_t number_end(std::string_view text, std::size_t at) noexcept;

/// Reads one JSON number token (already known to match the JSON grammar) into `event` as an
/// Int, Uint or Double event. Returns false when the number is too large for a double.
bool read_number(std::string_view token, Event& event);

/// Integers of up to 18 digits and decimals of up to 15 digits without an exponent ("12", "-0",
/// "0.25"): the number at `at` read into `event` in the pass that finds its end, as `read_number`
/// reads it. Returns the end, or 0 for any other number.
std::size_t read_short_number(std::string_view text, std::size_t at, Event& event) noexcept;

}  // namespace zorvane::json
