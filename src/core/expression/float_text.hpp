// The three float texts of the sample-set classes (debug, display and JSON forms).
#pragma once

#include <string>

namespace zorvane {

/// Debug form (sparse values, evaluations): shortest round-trip digits; exponent form when the
/// magnitude is at least 1e16 or non-zero below 1e-4 ("1e16", "1.5e-7"), otherwise positional
/// with at least one fractional digit ("1.0", "0.0001"); "NaN", "inf", "-inf".
void append_float_debug(std::string& out, double value);
/// Display form (dense arrays, times): positional, no exponent, integral values without a
/// fraction (1.0 -> "1", 1e-7 -> "0.0000001", -0.0 -> "-0"); "NaN", "inf", "-inf".
void append_float_display(std::string& out, double value);
/// JSON form: shortest round-trip text that keeps a fractional part (1.0 -> "1.0", 1e16 ->
/// "1e16", 1e-5 -> "0.00001", 1e-6 -> "1e-6"), with a sign on a positive exponent ("1e+16") when
/// `signed_exponent`, as orjson writes floats; non-finite values are written as null.
void append_float_json(std::string& out, double value, bool signed_exponent);

}  // namespace zorvane
