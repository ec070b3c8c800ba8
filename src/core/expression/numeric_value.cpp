// Literal arithmetic and equality.
#include "core/expression/numeric_value.hpp"

#include <cmath>

namespace zorvane {

bool NumericValue::sign_bit() const noexcept {
  return is_integer() ? integer < 0 : std::signbit(real);
}

bool numeric_value_eq(NumericValue a, NumericValue b) noexcept {
  if (a.is_integer() && b.is_integer()) return a.integer == b.integer;
  return a.as_double() == b.as_double();
}

NumericValue numeric_value_add(NumericValue a, NumericValue b) noexcept {
  if (a.is_integer() && b.is_integer()) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a.integer, b.integer, &sum)) return NumericValue::of_integer(sum);
  }
  return NumericValue::of_float(a.as_double() + b.as_double());
}

NumericValue numeric_value_sub(NumericValue a, NumericValue b) noexcept {
  if (a.is_integer() && b.is_integer()) {
    std::int64_t difference = 0;
    if (!__builtin_sub_overflow(a.integer, b.integer, &difference)) {
      return NumericValue::of_integer(difference);
    }
  }
  return NumericValue::of_float(a.as_double() - b.as_double());
}

NumericValue numeric_value_mul(NumericValue a, NumericValue b) noexcept {
  if (a.is_integer() && b.is_integer()) {
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(a.integer, b.integer, &product)) {
      return NumericValue::of_integer(product);
    }
  }
  return NumericValue::of_float(a.as_double() * b.as_double());
}

NumericValue numeric_value_neg(NumericValue a) noexcept {
  if (a.is_integer()) {
    std::int64_t negated = 0;
    if (!__builtin_sub_overflow(std::int64_t{0}, a.integer, &negated)) {
      return NumericValue::of_integer(negated);
    }
    return NumericValue::of_float(-a.as_double());
  }
  return NumericValue::of_float(-a.real);
}

}  // namespace zorvane
