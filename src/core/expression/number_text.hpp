// The text of a number literal: positional, shortest round-trip digits, no exponent.
#pragma once

#include <string>

#include "core/expression/numeric_value.hpp"

namespace zorvane {

/// Integer in decimal; Float as the shortest digits that read back to the same double, laid out
/// positionally without a trailing ".0": 1.0 -> "1", 1e-7 -> "0.0000001", -0.0 -> "-0",
/// NaN -> "NaN", infinities -> "inf" / "-inf".
std::string number_to_string(NumericValue value);
void append_number(std::string& out, NumericValue value);

}  // namespace zorvane
