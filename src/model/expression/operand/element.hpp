// Element: the index variable of sums, products and foralls; Range: the interval it may run over.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kElementClass;
extern const ClassDef kRangeClass;

}  // namespace zorvane
