// JSON numbers are converted from their text with std::from_chars, which rounds correctly, so
// every number reads as Python's float() reads it; short ones take a path of their own.
#include "core/json/number.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <system_error>

namespace zorvane::json {
namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// Advances `at` over a run of digits; false when there is none.
bool skip_digits(std::string_view text, std::size_t& at) noexcept {
  const std::size_t start = at;
  while (at < text.size() && is_digit(text[at])) ++at;
  return at > start;
}

}  // namespace

std::size_t number_end(std::string_view text, std::size_t at) noexcept {
  if (text[at] == '-') ++at;
  if (at >= text.size() || !is_digit(text[at])) return kNoNumber;
  if (text[at] == '0') {
    ++at;
  } else {
    skip_digits(text, at);
  }
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (!skip_digits(text, at)) return kNoNumber;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!skip_digits(text, at)) return kNoNumber;
  }
  return at;
}

namespace {

// Whether a number that from_chars finds out of range is too large rather than too small. Only
// decimal exponents beyond about 300 in size get here, so the sign of the exponent of the
// leading significant digit decides ("0.00012e-400": -4 - 400).
bool too_large(std::string_view token) noexcept {
  std::size_t at = token.front() == '-' ? 1 : 0;
  const std::size_t int_start = at;
  skip_digits(token, at);
  long long lead = -1;
  const std::size_t first_nonzero = token.find_first_not_of('0', int_start);
  if (first_nonzero < at) {
    lead = static_cast<long long>(at - first_nonzero) - 1;
  } else if (at < token.size() && token[at] == '.') {
    for (++at; at < token.size() && token[at] == '0'; ++at) --lead;
  }
  long long exponent = 0;
  const std::size_t e = token.find_first_of("eE");
  if (e != std::string_view::npos) {
    std::size_t digit = e + 1;
    const bool minus = token[digit] == '-';
    if (token[digit] == '-' || token[digit] == '+') ++digit;
    for (; digit < token.size(); ++digit) {
      // Saturate: a billion-digit exponent decides as well as a four-digit one.
      if (exponent < 1'000'000'000'000LL) exponent = exponent * 10 + (token[digit] - '0');
    }
    if (minus) exponent = -exponent;
  }
  return lead + exponent > 0;
}

// mantissa * 10^scale with its sign, when both factors are exact doubles (see `exact_double`).
bool decimal_value(std::uint64_t mantissa, int scale, bool negative, double& out) noexcept {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  // "2.0" is 2: no division for trailing zeros (a division takes as long as the rest).
  if (mantissa == 0) scale = 0;
  while (scale < 0 && mantissa % 10 == 0) {
    mantissa /= 10;
    ++scale;
  }
  if (scale < -22 || scale > 22) return false;
  double value = double(mantissa);
  value = scale < 0 ? value / kPowers[-scale] : value * kPowers[scale];
  out = negative ? -value : value;
  return true;
}

// Short decimals ("0.25", "-1.5e3") without the general conversion: a mantissa below 2^53 and
// a power of ten up to 10^22 are both exact doubles, so one multiplication or division rounds
// correctly, as std::from_chars does. False leaves the token to std::from_chars.
bool exact_double(std::string_view token, double& out) noexcept {
  std::size_t at = token.front() == '-' ? 1 : 0;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int scale = 0;  // the power of ten that the digits are multiplied by
  bool fraction = false;
  for (; at < token.size(); ++at) {
    const char c = token[at];
    if (c == '.') {
      fraction = true;
      continue;
    }
    if (!is_digit(c)) break;
    if (++digits > 15) return false;
    mantissa = mantissa * 10 + std::uint64_t(c - '0');
    if (fraction) --scale;
  }
  if (at < token.size()) {  // an exponent: [eE][+-]?digits
    ++at;
    const bool minus = token[at] == '-';
    if (token[at] == '-' || token[at] == '+') ++at;
    if (token.size() - at > 3) return false;
    int exponent = 0;
    for (; at < token.size(); ++at) exponent = exponent * 10 + (token[at] - '0');
    scale += minus ? -exponent : exponent;
  }
  return decimal_value(mantissa, scale, token.front() == '-', out);
}

}  // namespace

std::size_t read_short_number(std::string_view text, std::size_t at, Event& event) noexcept {
  const bool negative = text[at] == '-';
  std::size_t i = negative ? at + 1 : at;
  std::uint64_t mantissa = 0;
  int digits = 0;
  if (i < text.size() && text[i] == '0') {  // no digit may follow a leading 0
    ++i;
    digits = 1;
  } else {
    for (; i < text.size() && is_digit(text[i]); ++i) {
      if (++digits > 18) return 0;
      mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
    }
    if (digits == 0) return 0;
  }
  const auto exponent_follows = [&] { return i < text.size() && (text[i] == 'e' || text[i] == 'E'); };
  if (i >= text.size() || text[i] != '.') {
    if (exponent_follows()) return 0;
    if (!negative || mantissa == 0) {
      event.kind = Event::Kind::Uint;
      event.unsigned_integer = mantissa;
      event.negative = negative;
    } else {
      event.kind = Event::Kind::Int;
      event.integer = -static_cast<std::int64_t>(mantissa);
    }
    return i;
  }
  const std::size_t fraction = ++i;
  int scale = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (++digits > 15) return 0;
    mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
    --scale;
  }
  if (i == fraction || digits > 15 || exponent_follows()) return 0;
  event.kind = Event::Kind::Double;
  decimal_value(mantissa, scale, negative, event.real);
  return i;
}

bool read_number(std::string_view token, Event& event) {
  const bool negative = token.front() == '-';
  const char* const last = token.data() + token.size();
  const bool integer = std::all_of(token.begin() + (negative ? 1 : 0), token.end(), is_digit);
  if (integer) {
    std::uint64_t magnitude = 0;
    if (std::from_chars(token.data() + (negative ? 1 : 0), last, magnitude).ec == std::errc{}) {
      if (!negative || magnitude == 0) {
        event.kind = Event::Kind::Uint;
        event.unsigned_integer = magnitude;
        event.negative = negative;
        return true;
      }
      if (magnitude <= std::uint64_t(1) << 63) {
        event.kind = Event::Kind::Int;
        event.integer = static_cast<std::int64_t>(0 - magnitude);  // modular: -2^63 fits
        return true;
      }
    }
  }
  // Integers beyond 64 bits become doubles as well.
  double value = 0.0;
  if (exact_double(token, value)) {
    event.kind = Event::Kind::Double;
    event.real = value;
    return true;
  }
  const auto [end, error] = std::from_chars(token.data(), last, value);
  if (error == std::errc::result_out_of_range) {
    if (too_large(token)) return false;
    value = negative ? -0.0 : 0.0;  // below the smallest subnormal: float() gives a zero too
  } else if (error != std::errc{} || end != last) {
    throw std::logic_error("a JSON number token that from_chars does not read whole");
  }
  event.kind = Event::Kind::Double;
  event.real = value;
  return true;
}

}  // namespace zorvane::json
