// The value of a number literal: a signed 64-bit integer or a 64-bit float.
#pragma once

#include <cstdint>

namespace zorvane {

struct NumericValue {
  enum class Kind : std::uint8_t { Integer, Float };

  Kind kind = Kind::Integer;
  union {
    std::int64_t integer;
    double real;
  };

  constexpr NumericValue() noexcept : integer(0) {}
  static constexpr NumericValue of_integer(std::int64_t v) noexcept {
    NumericValue n;
    n.integer = v;
    return n;
  }
  static constexpr NumericValue of_float(double v) noexcept {
    NumericValue n;
    n.kind = Kind::Float;
    n.real = v;
    return n;
  }

  bool is_integer() const noexcept { return kind == Kind::Integer; }
  double as_double() const noexcept { return is_integer() ? double(integer) : real; }
  /// Negative Integer, or a Float whose sign bit is set (-0.0 and negative NaN included).
  bool sign_bit() const noexcept;
  bool is_zero() const noexcept { return is_integer() ? integer == 0 : real == 0.0; }
  bool is_one() const noexcept { return is_integer() ? integer == 1 : real == 1.0; }
  /// Exactly -1 (Integer -1 or Float equal to -1.0).
  bool is_minus_one() const noexcept { return is_integer() ? integer == -1 : real == -1.0; }
};

/// Integer with Integer compares exactly; otherwise both as doubles (NaN equals nothing).
bool numeric_value_eq(NumericValue a, NumericValue b) noexcept;

// Literal folding. Integer arithmetic is checked: on overflow the result is computed in double
// and becomes a Float, so folding never wraps. Any Float operand gives a Float.
NumericValue numeric_value_add(NumericValue a, NumericValue b) noexcept;
NumericValue numeric_value_sub(NumericValue a, NumericValue b) noexcept;
NumericValue numeric_value_mul(NumericValue a, NumericValue b) noexcept;
/// Integer negation (the most negative Integer becomes a Float); a Float flips its sign bit.
NumericValue numeric_value_neg(NumericValue a) noexcept;

}  // namespace zorvane
