// DummyIndexedVar: a decision variable subscripted with slices, waiting for `sum()` or `prod()`.
#pragma once

#include <string>

#include "python/expression/subscripting.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

/// Builds the dummy-indexed variable of `variable` (a DecisionVar node) and a key with slices:
/// slice bounds convert to expressions (start defaults to 0, stop to the axis's shape entry),
/// a step is refused, each range is checked, and the subscripts are validated at the end.
PyRef dummy_indexed_var_from_key(const Expr& variable, const KeyItems& key);

}  // namespace zorvane
