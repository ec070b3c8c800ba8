// The text of a number literal.
#include "core/expression/number_text.hpp"

#include <charconv>
#include <cmath>

namespace zorvane {

void append_number(std::string& out, NumericValue value) {
  char buffer[32];
  if (value.is_integer()) {
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.integer);
    out.append(buffer, result.ptr);
    return;
  }
  const double real = value.real;
  if (std::isnan(real)) {
    out += "NaN";
    return;
  }
  if (std::signbit(real)) out += '-';
  if (std::isinf(real)) {
    out += "inf";
    return;
  }
  // Shortest round-trip digits in scientific form, e.g. "1.2345e+20", then laid out by hand:
  // the fixed format would print the exact binary expansion (1e23 -> 99999999999999991611392).
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(real),
                                    std::chars_format::scientific);
  const std::string_view text(buffer, std::size_t(result.ptr - buffer));
  const std::size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  // The buffer is not NUL-terminated: read the exponent from the written characters only.
  std::string_view exponent_text = text.substr(e + 1);
  if (exponent_text.front() == '+') exponent_text.remove_prefix(1);
  long exponent = 0;
  std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);
  const long point = exponent + 1;  // digits before the decimal point
  const long count = long(digits.size());
  if (digits == "0") {
    out += '0';
  } else if (point <= 0) {
    out += "0.";
    out.append(std::size_t(-point), '0');
    out += digits;
  } else if (point >= count) {
    out += digits;
    out.append(std::size_t(point - count), '0');
  } else {
    out.append(digits, 0, std::size_t(point));
    out += '.';
    out.append(digits, std::size_t(point));
  }
}

std::string number_to_string(NumericValue value) {
  std::string out;
  append_number(out, value);
  return out;
}

}  // namespace zorvane
