// The three float texts of the sample-set classes, laid out from the shortest round-trip digits.
#include "core/expression/float_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "core/expression/number_text.hpp"
#include "core/expression/numeric_value.hpp"

namespace zorvane {
namespace {

// |value| = 0.d1d2...dn x 10^point, digits without trailing zeros ("1" and point 1 for 1.0).
struct Digits {
  char text[24];
  int count = 0;
  int point = 0;
};

Digits shortest_digits(double magnitude) {
  char buffer[40];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const std::string_view text(buffer, std::size_t(result.ptr - buffer));
  const std::size_t e = text.find('e');
  Digits digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits.text[digits.count++] = c;
  }
  // The buffer is not NUL-terminated: read the exponent within the text only ("e+10", "e-7").
  std::string_view exponent = text.substr(e + 1);
  if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
  int value = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
  digits.point = value + 1;
  return digits;
}

void append_digits(std::string& out, const Digits& d, int from, int to) {
  out.append(d.text + from, std::size_t(to - from));
}

// "d[.ddd]e<exp>" with a "-" for negative exponents, and a "+" for the others when `plus`.
void append_exponent_form(std::string& out, const Digits& d, bool plus = false) {
  out += d.text[0];
  if (d.count > 1) {
    out += '.';
    append_digits(out, d, 1, d.count);
  }
  out += 'e';
  if (plus && d.point > 0) out += '+';
  out += std::to_string(d.point - 1);
}

// Positional text with at least one fractional digit.
void append_positional_with_fraction(std::string& out, const Digits& d) {
  if (d.point <= 0) {
    out += "0.";
    out.append(std::size_t(-d.point), '0');
    append_digits(out, d, 0, d.count);
  } else if (d.point >= d.count) {
    append_digits(out, d, 0, d.count);
    out.append(std::size_t(d.point - d.count), '0');
    out += ".0";
  } else {
    append_digits(out, d, 0, d.point);
    out += '.';
    append_digits(out, d, d.point, d.count);
  }
}

// NaN and infinities as "NaN", "inf", "-inf"; true when written.
bool append_non_finite(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return true;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return true;
  }
  return false;
}

/// A finite value: its sign, then "0.0" or its shortest digits, positional where `positional`
/// says so (given the magnitude and its digits) and in exponent form otherwise.
template <class Positional>
void append_finite(std::string& out, double value, Positional positional, bool plus = false) {
  if (std::signbit(value)) out += '-';
  const double magnitude = std::fabs(value);
  if (magnitude == 0.0) {
    out += "0.0";
    return;
  }
  const Digits digits = shortest_digits(magnitude);
  if (positional(magnitude, digits)) {
    append_positional_with_fraction(out, digits);
  } else {
    append_exponent_form(out, digits, plus);
  }
}

bool json_positional(double, const Digits& digits) noexcept { return digits.point > -5 && digits.point <= 16; }

}  // namespace

void append_float_debug(std::string& out, double value) {
  if (append_non_finite(out, value)) return;
  append_finite(out, value, [](double magnitude, const Digits&) { return magnitude < 1e16 && magnitude >= 1e-4; });
}

void append_float_display(std::string& out, double value) {
  append_number(out, NumericValue::of_float(value));
}

void append_float_json(std::string& out, double value, bool signed_exponent) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  append_finite(out, value, json_positional, signed_exponent);
}

}  // namespace zorvane
